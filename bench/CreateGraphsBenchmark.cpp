// Times "Create graphs" as the desktop program runs it, from "Show graph" (OK) in the
// time-range dialog to the first diagram painted in the graphs window: loading and preparing
// the selected files, the statistics, the five diagrams, showing the window and its first
// paint. The dialog is filled and shown first, as for the user; that part is not timed.
//
// veltrum-bench-create-graphs DIR [MODULE] [RUNS]
//   Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "base/Texts.h"
#include "ui/graphs/DiagramDlg.h"
#include "ui/graphs/GraphsDlg.h"
#include "ui/graphs/Merge.h"
#include "ui/graphs/TabCtrlOD.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

namespace {

// Notes when a graphs window's diagram area has been painted for the first time.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool painting = event->type() == QEvent::Paint;
        const bool result = QApplication::notify(receiver, event);
        if (painting && qobject_cast<CTabCtrlOD*>(receiver) && painted < 0)
            painted = timer.nsecsElapsed();
        return result;
    }

    QElapsedTimer timer; // started at "Show graph"
    qint64 painted = -1; // ns after "Show graph"
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: veltrum-bench-create-graphs DIR [MODULE] [RUNS]\n";
        return 2;
    }
    const QString base = args[1];
    const QString module = args.size() > 2 ? args[2] : QStringLiteral("M0001");
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 3;
    SetMessageBoxHandler([](const QString& text, unsigned, const QString&) {
        QTextStream(stderr) << text << '\n';
        return int(IDOK);
    });

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(1);
    for (int run = 0; run < runs; ++run) {
        // Presses "Show graph" as soon as the dialog is up, and starts the clock with it.
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CDiagramDlg*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            press.stop();
            app.painted = -1;
            app.timer.start();
            dialog->ShowButton()->click();
        });
        press.start(10);
        CGraphsDlg* window = CMerge::Run(base, false, module, false);
        const qint64 shown = app.timer.nsecsElapsed();
        if (!window) {
            out << "No graphs window.\n";
            return 1;
        }
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (app.painted >= 0)
                loop.quit();
        });
        check.start(1);
        loop.exec();
        out << "nights " << window->Events().GetNightCount() << ", events "
            << window->Events().GetCount() << ": to the window shown " << shown / 1e6
            << " ms, first diagram painted " << app.painted / 1e6 << " ms\n";
        out.flush();
        delete window;
    }
    return 0;
}
