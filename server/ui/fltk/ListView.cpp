// Drawing and selection of the report-style list.
#include "server/ui/fltk/ListView.h"

#include <FL/Fl.H>
#include <FL/Fl_Image.H>
#include <FL/fl_draw.H>

namespace {
const int ROW_HEIGHT = 16;
// With a thin frame and a horizontal scroll bar, all five worker rows still fit in 115 pixels.
const int HEADER_HEIGHT = 16;
const int TEXT_MARGIN = 3;
// The light rule between rows and columns.
const Fl_Color RULE_COLOUR = fl_rgb_color(0xD8, 0xD8, 0xD8);
} // namespace

ListView::ListView(int x, int y, int width, int height, bool showHeader) : Fl_Table_Row(x, y, width, height) {
    type(SELECT_MULTI);
    col_header(showHeader ? 1 : 0);
    col_header_height(HEADER_HEIGHT);
    row_header(0);
    row_height_all(ROW_HEIGHT);
    col_resize(0);
    row_resize(0);
    color(FL_WHITE);
    selection_color(fl_rgb_color(0, 0, 128));
    box(FL_THIN_DOWN_FRAME);
    end();
}

void ListView::syncShape() {
    cols(static_cast<int>(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i)
        col_width(static_cast<int>(i), columns[i].width);
    rows(static_cast<int>(items.size()));
    row_height_all(ROW_HEIGHT);
    redraw();
}

void ListView::addColumn(int position, const std::string& header, Alignment alignment, int width) {
    if (position < 0 || position > static_cast<int>(columns.size()))
        position = static_cast<int>(columns.size());
    columns.insert(columns.begin() + position, Column{header, alignment, width});
    syncShape();
}

void ListView::insertRow(int position, std::vector<std::string> texts, int picture) {
    if (position < 0 || position > rowCount())
        position = rowCount();
    // Selection flags belong to row positions: keep them with their rows.
    std::vector<int> selected = selectedRows();
    items.insert(items.begin() + position, Item{std::move(texts), picture});
    syncShape();
    select_all_rows(0);
    for (int row : selected)
        select_row(row >= position ? row + 1 : row, 1);
}

void ListView::setRow(int position, std::vector<std::string> texts, int picture) {
    if (position < 0 || position >= rowCount())
        return;
    items[position] = Item{std::move(texts), picture};
    redraw_range(position, position, 0, cols() - 1);
}

void ListView::removeRow(int position) {
    if (position < 0 || position >= rowCount())
        return;
    std::vector<int> selected = selectedRows();
    items.erase(items.begin() + position);
    syncShape();
    select_all_rows(0);
    for (int row : selected)
        if (row != position)
            select_row(row > position ? row - 1 : row, 1);
}

void ListView::removeAllRows() {
    items.clear();
    syncShape();
}

std::vector<int> ListView::selectedRows() {
    std::vector<int> selected;
    for (int row = 0; row < rowCount(); ++row)
        if (row_selected(row) == 1)
            selected.push_back(row);
    return selected;
}

int ListView::handle(int event) {
    int handled = Fl_Table_Row::handle(event);
    if (event == FL_RELEASE && onClick)
        onClick();
    return handled;
}

void ListView::draw_cell(TableContext context, int row, int column, int x, int y, int width, int height) {
    switch (context) {
    case CONTEXT_STARTPAGE:
        fl_font(FL_HELVETICA, 11);
        return;
    case CONTEXT_COL_HEADER: {
        fl_push_clip(x, y, width, height);
        fl_draw_box(FL_THIN_UP_BOX, x, y, width, height, FL_BACKGROUND_COLOR);
        fl_color(FL_BLACK);
        const Column& col = columns[column];
        Fl_Align align = col.alignment == Alignment::Right    ? FL_ALIGN_RIGHT
                         : col.alignment == Alignment::Centre ? FL_ALIGN_CENTER
                                                              : FL_ALIGN_LEFT;
        fl_draw(col.header.c_str(), x + TEXT_MARGIN, y, width - 2 * TEXT_MARGIN, height, align);
        fl_pop_clip();
        return;
    }
    case CONTEXT_CELL: {
        fl_push_clip(x, y, width, height);
        bool selected = row_selected(row) == 1;
        fl_color(selected ? selection_color() : color());
        fl_rectf(x, y, width, height);
        int textX = x + TEXT_MARGIN;
        int textWidth = width - 2 * TEXT_MARGIN;
        const Item& item = items[row];
        if (column == 0 && item.picture >= 0 && item.picture < static_cast<int>(pictures.size()) &&
            pictures[item.picture] != nullptr) {
            pictures[item.picture]->draw(x + 1, y);
            textX = x + 1 + 16 + 2;
            textWidth = width - (textX - x) - TEXT_MARGIN;
        }
        if (column < static_cast<int>(item.texts.size())) {
            const Column& col = columns[column];
            Fl_Align align = col.alignment == Alignment::Right    ? FL_ALIGN_RIGHT
                             : col.alignment == Alignment::Centre ? FL_ALIGN_CENTER
                                                                  : FL_ALIGN_LEFT;
            fl_color(selected ? FL_WHITE : FL_BLACK);
            fl_draw(item.texts[column].c_str(), textX, y, textWidth, height, align | FL_ALIGN_CLIP);
        }
        // The row rules: a line under each row and between the columns.
        fl_color(RULE_COLOUR);
        fl_line(x, y + height - 1, x + width - 1, y + height - 1);
        fl_line(x + width - 1, y, x + width - 1, y + height - 1);
        fl_pop_clip();
        return;
    }
    default:
        return;
    }
}
