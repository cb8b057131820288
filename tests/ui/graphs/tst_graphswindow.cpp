// The time-range dialog and the graphs window on the hand-made base folder.
#include "base/Texts.h"
#include "data/NightsCsv.h"
#include "graphs/CGraph.h"
#include "graphs/ExportImage.h"
#include "graphs/PrintWin.h"
#include "ui/common/MyButton.h"
#include "ui/graphs/DiagramDlg.h"
#include "ui/graphs/GraphLayoutDlg.h"
#include "ui/graphs/GraphsDlg.h"
#include "ui/graphs/Merge.h"
#include "ui/graphs/TabCtrlOD.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

namespace {

const QString kBase = QStringLiteral(VELTRUM_DATA "/base");

QDate DayOf(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).date();
}

} // namespace

class TestGraphsWindow : public QObject {
    Q_OBJECT

    QStringList m_messages;

    // A graphs window on every file of module M1234, shown.
    CGraphsDlg* OpenWindow(const QString& folder, bool includeTestBursts = true) {
        CDiagramDlg dialog(kBase, QStringLiteral("M1234"), false, false);
        if (!dialog.Fill())
            return nullptr;
        auto* window = new CGraphsDlg(folder, false);
        for (const CFileInfo& file : dialog.SelectedFiles())
            window->LoadFile(file.path, dialog.Modules().Current()->range1,
                             dialog.Modules().Current()->range2);
        if (!window->Open(includeTestBursts)) {
            delete window;
            return nullptr;
        }
        return window;
    }

private slots:
    void init() {
        m_messages.clear();
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_messages.append(text);
            return int(IDOK);
        });
    }
    void cleanup() {
        CWndQueue::Get().CloseAll();
        SetMessageBoxHandler(nullptr);
    }

    // The module list, the pickers limited to the module's bounds and the counters.
    void dialogShowsModulesAndBounds() {
        CDiagramDlg dialog(kBase, QString(), true, true);
        QVERIFY(dialog.Fill());
        QCOMPARE(dialog.ModuleBox()->count(), dialog.Modules().Modules().size());
        QVERIFY(dialog.ModuleBox()->count() >= 1);
        QVERIFY(dialog.TestBurstsBox()->isChecked());

        for (int row = 0; row < dialog.ModuleBox()->count(); ++row) {
            dialog.ModuleBox()->setCurrentRow(row);
            const CModuleEntry& entry = *dialog.Modules().Current();
            QCOMPARE(entry.name, dialog.ModuleBox()->item(row)->text());
            for (int id : {IDC_FROM1, IDC_UNTIL1, IDC_FROM2, IDC_UNTIL2}) {
                QCOMPARE(dialog.Picker(id)->minimumDate(), DayOf(entry.bounds.start));
                QCOMPARE(dialog.Picker(id)->maximumDate(), DayOf(entry.bounds.end));
            }
            QCOMPARE(dialog.Picker(IDC_FROM1)->date(), DayOf(entry.bounds.start));
            QCOMPARE(dialog.Picker(IDC_UNTIL1)->date(), DayOf(entry.bounds.end));
            QCOMPARE(dialog.Counter(IDC_FILES_AVAILABLE)->text(),
                     QString::number(dialog.Modules().Files().Files().size()));
            QCOMPARE(dialog.Counter(IDC_FILES_SELECTED)->text(),
                     QString::number(dialog.Modules().SelectedCount()));
            QVERIFY(dialog.ShowButton()->isEnabled());
        }
    }

    // The label over the module list, in the user's language.
    void dialogModuleLabel_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("label");
        QTest::newRow("English") << int(Language::English) << "Module ID";
        QTest::newRow("German") << int(Language::German) << "Modul-ID";
    }
    void dialogModuleLabel() {
        QFETCH(int, language);
        QFETCH(QString, label);
        SetLanguage(Language(language));
        CDiagramDlg dialog(kBase, QString(), true, true);
        SetLanguage(Language::English);
        QStringList labels;
        for (const QLabel* text : dialog.findChildren<QLabel*>())
            labels << text->text();
        QVERIFY2(labels.contains(label), qPrintable(labels.join(" | ")));
    }

    // A from-date after the until-date moves the until-date along and the other way round;
    // an empty range 1 selects nothing and disables "Show graph".
    void pickerRules() {
        CDiagramDlg dialog(kBase, QStringLiteral("M1234"), false, false);
        QVERIFY(dialog.Fill());
        QCOMPARE(dialog.ModuleBox()->count(), 1);
        QDateEdit* from = dialog.Picker(IDC_FROM1);
        QDateEdit* until = dialog.Picker(IDC_UNTIL1);
        const QDate first = from->minimumDate();
        const QDate last = until->maximumDate();

        from->setDate(last);
        QCOMPARE(until->date(), last);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(dialog.Modules().Current()->range1.end).date(),
                 last);
        until->setDate(first);
        QCOMPARE(from->date(), first);
        QCOMPARE(dialog.Counter(IDC_FILES_SELECTED)->text(), QStringLiteral("0"));
        QVERIFY(!dialog.ShowButton()->isEnabled());
        QVERIFY(dialog.ExtraButton()->isHidden());

        until->setDate(last);
        QVERIFY(dialog.ShowButton()->isEnabled());
        QVERIFY(dialog.Counter(IDC_FILES_SELECTED)->text().toInt() > 0);
    }

    void noDataShowsMessage() {
        QTemporaryDir empty;
        QDir(empty.path()).mkdir(QStringLiteral(".hidden"));
        CDiagramDlg dialog(empty.path(), QString(), false, false);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(m_messages, QStringList{LoadText(TXT_NO_DATA)});
    }

    // Switching tabs fits the window to the diagram, never narrower than the tab headers.
    void tabSwitchFitsWindow() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        QCOMPARE(CWndQueue::Get().Windows().size(), 1);
        CTabCtrlOD& tabs = window->Tabs();
        for (int tab = 0; tab < kGraphCount; ++tab) {
            tabs.SetCurrentTab(tab);
            const CGraph& graph = tabs.Graph(tab);
            QVERIFY(window->width() >= tabs.HeaderWidth());
            QCOMPARE(graph.rect.width(), std::max(graph.width, tabs.HeaderWidth()));
            QCOMPARE(window->width(), tabs.SizeFor(graph.rect.size()).width());
            QVERIFY(!window->ScrollBar().isEnabled());
        }
    }

    void maximiseAndRestore() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        CTabCtrlOD& tabs = window->Tabs();
        QList<QRect> before;
        for (int tab = 0; tab < kGraphCount; ++tab)
            before.append(tabs.Graph(tab).rect);

        window->showMaximized();
        QTRY_VERIFY(tabs.maximized);
        QTRY_COMPARE(tabs.Graph(2).rect, tabs.DisplayArea());
        window->showNormal();
        QTRY_VERIFY(!tabs.maximized);
        for (int tab = 0; tab < kGraphCount; ++tab)
            QCOMPARE(tabs.Graph(tab).rect, before[tab]);

        const int layouts = tabs.Current()->layoutCount;
        window->showMinimized();
        QTRY_VERIFY(tabs.minimized);
        window->showNormal();
        QTRY_VERIFY(!tabs.minimized);
        QCOMPARE(tabs.Current()->layoutCount, layouts);
    }

    // "No test bursts" rebuilds the statistics and the diagrams with their default settings.
    void toggleTestBursts() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        auto kinds = [window] {
            QList<int> kinds;
            for (int i = 0; i < window->Events().GetCount(); ++i)
                kinds.append(window->Events().GetAt(i)->kind);
            return kinds;
        };
        const QList<int> withBursts = kinds();
        window->Tabs().Graph(0).kind = 0;
        window->Tabs().Graph(0).title = QStringLiteral("edited");

        window->OnCommand(ID_NO_TEST_BURSTS);
        QVERIFY(window->NoTestBursts());
        QVERIFY(!kinds().contains(2));
        QVERIFY(kinds() != withBursts);
        QCOMPARE(window->Tabs().Graph(0).kind, 1);
        QVERIFY(window->Tabs().Graph(0).title != QStringLiteral("edited"));

        window->OnCommand(ID_NO_TEST_BURSTS);
        QCOMPARE(kinds(), withBursts);
    }

    void tooltipOfDateLabel() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        const CGraph& graph = *window->Tabs().Current();
        QVERIFY(graph.Count() > 0);
        // A diagram narrower than the window is centred in it.
        const QPoint label(graph.rect.left() + graph.PresentLeft() + graph.PointX(0) + 1,
                           graph.rect.bottom() - 20);
        QCOMPARE(graph.HitTest(label), 0);
        const QString text = window->Tabs().TooltipAt(label);
        QCOMPARE(text, graph.TooltipText(0));
        QVERIFY(text.contains(u'\n'));
        QVERIFY(window->Tabs().TooltipAt(graph.rect.topLeft()).isEmpty());
    }

    void saveAllWritesFivePngFiles() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        window->Tabs().Graph(4).kind = 0;
        window->OnCommand(ID_SAVE_ALL);
        const QString name = window->Tabs().Data().name;
        QStringList expected;
        for (int tab = 0; tab < kGraphCount; ++tab)
            expected.append(
                QFileInfo(ImageFileName(folder.path(), name, tab == 4 ? 0 : 1, tab)).fileName());
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.png")}, QDir::Files), expected);
        QCOMPARE(m_messages, QStringList{LoadText(TXT_STORED_IN) + folder.path()});
    }

    // A folder that is gone: the first diagram that cannot be written ends "Save all graphs",
    // with one message naming it.
    void saveAllStopsAtFirstFailure() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        QVERIFY(QDir(folder.path()).removeRecursively());
        window->OnCommand(ID_SAVE_ALL);
        const QString first = ImageFileName(folder.path(), window->Tabs().Data().name, 1, 0);
        QCOMPARE(m_messages, QStringList{FormatText(TXT_IMAGE_NOT_WRITTEN, {first})});
    }

    // A diagram wider (and, on a small screen, taller) than the screen: the window stays on
    // the screen, the diagram scrolls and is laid out to the height there is.
    void windowStaysOnScreen() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        const QRect screen = window->screen()->availableGeometry();
        for (int tab : {0, 1, 0}) {
            window->Tabs().SetCurrentTab(tab);
            const CGraph& graph = window->Tabs().Graph(tab);
            if (graph.barWidth != 100) {
                GraphLayout layout;
                graph.ExportLayout(layout);
                layout.barWidth = 100;
                layout.gap = 100;
                window->ApplyLayout(layout);
            }
            if (graph.width <= screen.width())
                QSKIP("the diagrams fit on this screen");
            QVERIFY(window->frameGeometry().width() <= screen.width());
            QVERIFY(window->frameGeometry().height() <= screen.height());
            QCOMPARE(graph.rect, window->Tabs().DisplayArea());
            QCOMPARE(graph.Height(), std::min(800, graph.rect.height()));
            QVERIFY(window->ScrollBar().isEnabled());
            QCOMPARE(window->ScrollBar().maximum(), graph.width - graph.rect.width());
        }
    }

    // "Print / All graphs" on the PDF printer: one document, every diagram on its pages.
    void printAllToPdf() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        const QString pdf = folder.filePath(QStringLiteral("graphs.pdf"));
        QPrinter& printer = AppPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        window->OnCommand(ID_PRINT_ALL);
        printer.setOutputFormat(QPrinter::NativeFormat);

        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") >= kGraphCount);
        QVERIFY(m_messages.isEmpty());
    }

    // Without any printer the PDF printer has no file yet: printing asks for a printer first,
    // and after a cancelled choice the printer still takes a file.
    void printerWithoutFileAsksFirst() {
        QTemporaryDir folder;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        bool asked = false;
        QTimer::singleShot(0, [&asked] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                asked = true;
                dialog->close();
            }
        });
        QVERIFY(!CPrintWin(printer).StartJob());
        QVERIFY(asked);

        const QString pdf = folder.filePath(QStringLiteral("chosen.pdf"));
        printer.setOutputFileName(pdf);
        QCOMPARE(printer.outputFileName(), pdf);
        {
            CPrintWin job(printer);
            QVERIFY(job.StartJob());
            QVERIFY(job.PrintImage(QImage(40, 20, QImage::Format_RGB32)));
        }
        QVERIFY(QFileInfo(pdf).size() > 0);
    }

    // Changing only the title lays out the current diagram again; the shared name all five.
    void layoutChangesRenderWhatTheyAffect() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        window->Tabs().SetCurrentTab(2);
        auto keys = [window] {
            QList<int> keys;
            for (int tab = 0; tab < kGraphCount; ++tab)
                keys.append(window->Tabs().Graph(tab).layoutCount);
            return keys;
        };
        GraphLayout layout;
        window->Tabs().Graph(2).ExportLayout(layout);
        layout.title = QStringLiteral("Longest bite");
        QList<int> before = keys();
        window->ApplyLayout(layout);
        QList<int> after = keys();
        for (int tab = 0; tab < kGraphCount; ++tab)
            QCOMPARE(after[tab] != before[tab], tab == 2);
        QCOMPARE(window->Tabs().Graph(2).title, QStringLiteral("Longest bite"));

        layout.name = QStringLiteral("December");
        before = keys();
        window->ApplyLayout(layout);
        after = keys();
        for (int tab = 0; tab < kGraphCount; ++tab)
            QVERIFY(after[tab] != before[tab]);
        QCOMPARE(window->Tabs().Data().name, QStringLiteral("December"));
    }

    // The gap only for bars; the width is a bar width or a point distance.
    void layoutDialogFollowsKind() {
        GraphLayout layout{1, 0, 4, 30, QStringLiteral("T"), {}, {}, {}, {}, {}};
        CGraphLayoutDlg dialog(layout);
        dialog.show();
        QVERIFY(dialog.Edit(IDC_BAR_GAP)->isVisible());
        QCOMPARE(dialog.WidthLabel()->text(), LoadText(TXT_WIDTH));
        QString tip;
        QVERIFY(dialog.GetTipText(IDC_BAR_WIDTH, tip));
        QCOMPARE(tip, LoadText(TXT_WIDTH_TIP));

        dialog.Radio(IDC_LINE)->click();
        QVERIFY(!dialog.Edit(IDC_BAR_GAP)->isVisible());
        QCOMPARE(dialog.WidthLabel()->text(), LoadText(TXT_DISTANCE));
        QVERIFY(dialog.GetTipText(IDC_BAR_WIDTH, tip));
        QCOMPARE(tip, LoadText(TXT_DISTANCE_TIP));
        QVERIFY(dialog.GetTipText(IDC_GRAPH_NAME, tip));
        QCOMPARE(tip, LoadText(TXT_NAME_TIP) + LoadText(TXT_SAME_FOR_ALL));
    }

    void layoutDialogRanges_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("gap");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("smallest") << "16"
                                  << "0" << true;
        QTest::newRow("largest") << "100"
                                 << "100" << true;
        QTest::newRow("narrow") << "15"
                                << "0" << false;
        QTest::newRow("wide") << "101"
                              << "0" << false;
        QTest::newRow("negative gap") << "20"
                                      << "-1" << false;
        QTest::newRow("wide gap") << "20"
                                  << "101" << false;
        QTest::newRow("no number") << ""
                                   << "0" << false;
    }
    void layoutDialogRanges() {
        QFETCH(QString, width);
        QFETCH(QString, gap);
        QFETCH(bool, accepted);
        CGraphLayoutDlg dialog(GraphLayout{1, 0, 4, 30, {}, {}, {}, {}, {}, {}});
        dialog.show();
        dialog.Edit(IDC_BAR_WIDTH)->setText(width);
        dialog.Edit(IDC_BAR_GAP)->setText(gap);
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(m_messages.size(), accepted ? 0 : 1);
        if (accepted) {
            QCOMPARE(dialog.Layout().barWidth, width.toInt());
            QCOMPARE(dialog.Layout().gap, gap.toInt());
        }
    }

    // Where the legend edit wraps a line, the legend gets a line of its own.
    void legendKeepsSoftLineBreaks() {
        CGraphLayoutDlg dialog(GraphLayout{1, 0, 4, 30, {}, {}, {}, {}, {}, {}});
        dialog.show();
        dialog.LegendEdit()->setFixedWidth(120);
        dialog.LegendEdit()->setPlainText(
            QStringLiteral("Short\nnights of a long winter with many bites"));
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QStringList lines = dialog.Layout().legend.split(u'\n');
        QVERIFY(lines.size() > 2);
        QCOMPARE(lines.first(), QStringLiteral("Short"));
        QCOMPARE(lines.join(u' '), QStringLiteral("Short nights of a long winter with many bites"));
    }

    // The table holds what "veltrum-cli report --csv" writes for the same nights.
    void saveStatisticsAsCsv() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path(), false);
        QVERIFY(window);
        window->OnCommand(ID_SAVE_STATISTICS);
        // The message names the file it wrote.
        QCOMPARE(m_messages,
                 QStringList{FormatText(TXT_STATISTICS_STORED,
                                        {QDir::toNativeSeparators(window->StatisticsFileName())})});
        QFile file(window->StatisticsFileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString expected;
        QTextStream out(&expected);
        WriteNightsCsv(out, window->Events().Nights());
        out.flush();
        const QString written = QString::fromUtf8(file.readAll());
        QCOMPARE(written, expected);
        QCOMPARE(written.count(u'\n'), window->Events().Nights().GetCount() + 1);
        QVERIFY(written.startsWith(QStringLiteral("night,startSeconds,")));

        m_messages.clear();
        QVERIFY(QDir(folder.path()).removeRecursively());
        window->OnCommand(ID_SAVE_STATISTICS);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().startsWith(LoadText(TXT_CSV_NOT_WRITTEN).section(u'%', 0, 0)));
    }

    // At its smallest the window still shows each diagram's axes, legend and a few nights, also
    // with bars so wide that the tab headers alone would leave too little (within the 800 px
    // of the test screen).
    void smallestWindowShowsAxesAndLegend() {
        QTemporaryDir folder;
        CGraphsDlg* window = OpenWindow(folder.path());
        QVERIFY(window);
        for (int tab = 0; tab < kGraphCount; ++tab) {
            window->Tabs().SetCurrentTab(tab);
            const CGraph& graph = window->Tabs().Graph(tab);
            GraphLayout layout;
            graph.ExportLayout(layout);
            layout.barWidth = 50;
            layout.gap = 50;
            window->ApplyLayout(layout);
            window->resize(1, 1);
            QTRY_COMPARE(window->size(), window->minimumSize());
            const int plot = graph.Count() * graph.Pitch();
            const int shownPlot = graph.rect.width() - (graph.width - plot);
            QVERIFY2(shownPlot >= std::min(plot, 3 * graph.Pitch()),
                     qPrintable(QStringLiteral("tab %1: %2").arg(tab).arg(shownPlot)));
        }
    }

    // A further graphs window opens below and right of the last one instead of on top of it.
    void furtherWindowsCascade() {
        QTemporaryDir folder;
        CGraphsDlg* first = OpenWindow(folder.path());
        CGraphsDlg* second = OpenWindow(folder.path());
        CGraphsDlg* third = OpenWindow(folder.path());
        QVERIFY(first && second && third);
        for (const auto& [upper, lower] : {std::pair{first, second}, std::pair{second, third}}) {
            const QPoint step = lower->pos() - upper->pos();
            QVERIFY2(step.x() > 0 && step.y() > 0 && step.x() == step.y(),
                     qPrintable(QStringLiteral("%1,%2").arg(step.x()).arg(step.y())));
        }
    }

    // The dialogs' buttons are the brand buttons, without the style's stock icons.
    void dialogButtonsLookAlike() {
        CDiagramDlg range(kBase, QStringLiteral("M1234"), true, false);
        GraphLayout layout;
        CGraphLayoutDlg labels(layout);
        for (QWidget* dialog : std::initializer_list<QWidget*>{&range, &labels}) {
            const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
            QVERIFY(!buttons.isEmpty());
            for (const QPushButton* button : buttons) {
                QVERIFY2(qobject_cast<const CKelvoraButton*>(button), qPrintable(button->text()));
                QVERIFY(button->icon().isNull());
            }
        }
    }

    void closeAllEmptiesTheQueue() {
        QTemporaryDir folder;
        QVERIFY(OpenWindow(folder.path()));
        QVERIFY(OpenWindow(folder.path()));
        QCOMPARE(CWndQueue::Get().Windows().size(), 2);
        CWndQueue::Get().CloseAll();
        QVERIFY(CWndQueue::Get().Windows().isEmpty());
    }
};

QTEST_MAIN(TestGraphsWindow)
#include "tst_graphswindow.moc"
