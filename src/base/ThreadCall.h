#pragma once

#include <functional>

class QObject;

// Runs fn on the thread that context belongs to and waits until it has run. On that thread
// itself fn runs at once. The wait also ends when context is destroyed before fn ran (fn is
// then dropped), so a caller never blocks on a receiver that has gone. The receiving thread
// must run a Qt event loop (a modal dialog's loop will do).
void CallOnThreadOf(QObject* context, const std::function<void()>& fn);

// The same on the application's main thread, the one that owns the widgets. Without an
// application object fn runs at once.
void CallOnMainThread(const std::function<void()>& fn);
