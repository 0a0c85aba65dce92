#pragma once
// A scoped guard for the wait cursor: arming it changes nothing; Show() puts up the wait cursor
// over the whole application and the destructor takes it down again, however the scope is left.
class ClockCursor {
public:
    ClockCursor();
    ~ClockCursor();
    ClockCursor(const ClockCursor&) = delete;
    ClockCursor& operator=(const ClockCursor&) = delete;

    void Show();
    bool showing() const { return showing_; }

private:
    bool showing_ = false;
};
