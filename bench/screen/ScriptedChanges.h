// The scripted screen changes of the benchmark, drawn step by step on a test X server.
#pragma once

#include "tests/remote/XClient.h"

// Each change draws one step of its script; a capture after each step sees that step's change.
class ScriptedChange {
  public:
    virtual ~ScriptedChange() = default;
    virtual const char* name() const = 0;
    // Draws the starting screen.
    virtual void prepare(XClient& client) = 0;
    virtual void step(XClient& client, int index) = 0;
};

// A 32 x 32 box, the size of a pointer, moving diagonally.
class MovingBox final : public ScriptedChange {
  public:
    const char* name() const override { return "cursor-sized box moving"; }
    void prepare(XClient& client) override;
    void step(XClient& client, int index) override;

  private:
    int x = 0;
    int y = 0;
};

// A text area of most of the screen, scrolled up by one line, with a new line at the bottom.
class ScrollingText final : public ScriptedChange {
  public:
    const char* name() const override { return "scrolling text area"; }
    void prepare(XClient& client) override;
    void step(XClient& client, int index) override;

  private:
    _XGC* gc = nullptr; // on the client's display; lives as long as that connection
};

// The whole screen painted anew with a different pattern.
class FullRepaint final : public ScriptedChange {
  public:
    const char* name() const override { return "full-screen repaint"; }
    void prepare(XClient& client) override;
    void step(XClient& client, int index) override;
};
