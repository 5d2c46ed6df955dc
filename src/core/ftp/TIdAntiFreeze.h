#pragma once

// Keeps the user interface alive while an FTP call blocks: the waits of TIdFTP dispatch pending events
// through the one instance of this class. Without an instance the waits simply block.
class TIdAntiFreeze {
public:
    TIdAntiFreeze(); // throws QeltoError when another instance exists
    ~TIdAntiFreeze();
    TIdAntiFreeze(const TIdAntiFreeze&) = delete;
    TIdAntiFreeze& operator=(const TIdAntiFreeze&) = delete;

    static TIdAntiFreeze* instance() { return s_instance; }

    // Milliseconds without data after which a waiting call dispatches events; waits dispatch at least
    // every 50 ms whatever this says, so only a shorter time changes anything.
    int idleTimeOut() const { return m_idleTimeOut; }
    void setIdleTimeOut(int ms) { m_idleTimeOut = ms > 0 ? ms : 1; }

    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // Dispatches pending events when an active instance exists on the application's main thread.
    static void process();
    // True when waits on this thread should use the anti-freeze (and the connect time limit).
    static bool applies();

private:
    static TIdAntiFreeze* s_instance;
    int m_idleTimeOut = 5000;
    bool m_active = true;
};
