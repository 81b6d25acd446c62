// The recording status view and the test's message loop.
#include "FakeStatusView.h"

#include "server/ui/StatusMessages.h"

void FakeStatusView::insertThreadRow(int position, const ThreadRow& row) {
    rows.insert(rows.begin() + position, row);
    ++rowChanges;
}

void FakeStatusView::updateThreadRow(int position, const ThreadRow& row) {
    rows.at(static_cast<size_t>(position)) = row;
    ++rowChanges;
}

void FakeStatusView::removeThreadRow(int position) {
    rows.erase(rows.begin() + position);
    ++rowChanges;
}

void FakeStatusView::repaint() {
    ++repaints;
    if (dialog != nullptr)
        dialog->afterPaint();
}

bool drainMessages(MainStatusDialog& dialog) {
    bool quit = false;
    platform::WindowMessage message;
    while (dialog.messageQueue().tryNext(message)) {
        if (message.message == WM_QUIT)
            quit = true;
        else
            dialog.handleMessage(message);
    }
    return quit;
}
