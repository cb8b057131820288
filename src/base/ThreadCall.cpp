#include "base/ThreadCall.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

// Set once the posted call has run or has been dropped with its receiver: the destructor of the
// last copy of the posted function signals it.
class CallDone {
public:
    struct State {
        std::mutex lock;
        std::condition_variable wake;
        bool done = false;
    };

    ~CallDone() {
        {
            std::lock_guard guard(m_state->lock);
            m_state->done = true;
        }
        m_state->wake.notify_all();
    }

    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace

void CallOnThreadOf(QObject* context, const std::function<void()>& fn) {
    if (QThread::currentThread() == context->thread()) {
        fn();
        return;
    }
    // A queued call plus our own wait rather than a blocking queued connection: the wait also
    // ends when the receiver goes away before the call ran, and the hand-over is visible to
    // thread checkers.
    auto done = std::make_shared<CallDone>();
    const std::shared_ptr<CallDone::State> state = done->m_state;
    QMetaObject::invokeMethod(
        context, [&fn, done = std::move(done)] { fn(); }, Qt::QueuedConnection);
    std::unique_lock guard(state->lock);
    state->wake.wait(guard, [&] { return state->done; });
}

void CallOnMainThread(const std::function<void()>& fn) {
    if (QCoreApplication* app = QCoreApplication::instance())
        CallOnThreadOf(app, fn);
    else
        fn();
}
