// The shell's widgets: message box buttons, Enter and Esc as the user presses them, protocol
// line; output-list prefixes, writing and logo choice; the protocol window's pop-up menu; the
// brand buttons; menu tips; window titles; the About box in both languages; the base-folder
// picker.

#include "base/Texts.h"
#include "ui/common/AboutDlg.h"
#include "ui/common/FolderPicker.h"
#include "ui/common/MsgBox.h"
#include "ui/common/MyButton.h"
#include "ui/common/Output.h"
#include "ui/common/OutputDlg.h"
#include "ui/common/PopupMenu.h"
#include "ui/common/StaticText.h"

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestWidgets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetLanguage(Language::English); }

    void msgBoxButtons_data() {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("escape");
        QTest::newRow("OK") << 0u << QStringList{"OK"} << 1 << 2;
        QTest::newRow("OK/Cancel") << 1u << QStringList{"OK", "Cancel"} << 1 << 2;
        QTest::newRow("Yes/No") << 4u << QStringList{"Yes", "No"} << 6 << 7;
        QTest::newRow("Retry/Cancel") << 5u << QStringList{"Retry", "Cancel"} << 4 << 2;
        QTest::newRow("other style") << 0x32u << QStringList{"OK"} << 1 << 2;
    }
    void msgBoxButtons() {
        QFETCH(unsigned, style);
        QFETCH(QStringList, texts);
        QFETCH(int, first);
        QFETCH(int, escape);
        CMsgBox box(QStringLiteral("Line one\nline two"), QStringLiteral("Veltrum"), style);
        QStringList shown{box.FirstButton().text()};
        if (box.SecondButton())
            shown << box.SecondButton()->text();
        QCOMPARE(shown, texts);
        QVERIFY(box.FirstButton().isDefault());
        // The second button is rightmost, 8 px from the edges; the first 16 px left of it.
        const QRect right =
            box.SecondButton() ? box.SecondButton()->geometry() : box.FirstButton().geometry();
        QCOMPARE(right.right(), box.width() - 9);
        QCOMPARE(right.bottom(), box.height() - 9);
        if (box.SecondButton())
            QCOMPARE(box.FirstButton().geometry().right() + 17, right.left());

        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), escape);
        box.show();
        box.FirstButton().click();
        QCOMPARE(box.result(), first);
    }

    // As the user answers through ShowMessage: Tab moves the focus from button to button and
    // Enter presses the focused one; Esc answers No or Cancel (Cancel in an OK box).
    void msgBoxKeys_data() {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("answer");
        const QList<int> enter{Qt::Key_Return};
        const QList<int> tabEnter{Qt::Key_Tab, Qt::Key_Return};
        const QList<int> tabTabEnter{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Enter};
        const QList<int> esc{Qt::Key_Escape};
        QTest::newRow("OK, Enter") << 0u << enter << int(IDOK);
        QTest::newRow("OK, Esc") << 0u << esc << int(IDCANCEL);
        QTest::newRow("OK/Cancel, Enter") << 1u << enter << int(IDOK);
        QTest::newRow("OK/Cancel, Tab Enter") << 1u << tabEnter << int(IDCANCEL);
        QTest::newRow("OK/Cancel, Esc") << 1u << esc << int(IDCANCEL);
        QTest::newRow("Yes/No, Enter") << 4u << enter << int(IDYES);
        QTest::newRow("Yes/No, Tab Enter") << 4u << tabEnter << int(IDNO);
        QTest::newRow("Yes/No, Tab Tab Enter") << 4u << tabTabEnter << int(IDYES);
        QTest::newRow("Yes/No, Esc") << 4u << esc << int(IDNO);
        QTest::newRow("Retry/Cancel, Enter") << 5u << enter << int(IDRETRY);
        QTest::newRow("Retry/Cancel, Tab Enter") << 5u << tabEnter << int(IDCANCEL);
        QTest::newRow("Retry/Cancel, Esc") << 5u << esc << int(IDCANCEL);
    }
    void msgBoxKeys() {
        QFETCH(unsigned, style);
        QFETCH(QList<int>, keys);
        QFETCH(int, answer);
        InstallMessageBox();
        bool typed = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CMsgBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            // Each key goes where a key of the keyboard goes: to the focused widget.
            typed = QTest::qWaitForWindowActive(box) && QApplication::focusWidget();
            for (int i = 0; typed && i < keys.size(); ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(keys[i]));
            // Keys that answered nothing must not leave the test waiting.
            if (box->isVisible())
                box->done(-1);
        });
        const int result = ShowMessage(QStringLiteral("Erase?"), style, QStringLiteral("Veltrum"));
        QVERIFY(typed);
        QCOMPARE(result, answer);
        SetMessageBoxHandler({});
    }

    // A long message wraps instead of running out of the box.
    void msgBoxSizesToText() {
        CMsgBox small(QStringLiteral("OK?"), QString(), 0);
        QVERIFY(small.width() >= 2 * small.FirstButton().width() + 32);
        CMsgBox large(LoadText(TXT_DRIVER_MISSING), QString(), MB_YESNO);
        const QSize need = large.TextControl().TextSize(10000);
        QVERIFY(large.TextControl().height() >= need.height());
        QVERIFY(large.width() < 600);
        QVERIFY(large.TextControl().geometry().bottom() < large.FirstButton().geometry().top());
    }

    // Through ShowMessage: an OK box left with Esc answers Cancel, and the protocol says so.
    void escapedOkBoxProtocol() {
        QStringList lines;
        SetProtocolHandler([&](const QString& line) { lines << line; });
        InstallMessageBox();
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<CMsgBox*>(QApplication::activeModalWidget()))
                QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(ShowMessage(QStringLiteral("Done."), MB_OK, QStringLiteral("Veltrum")),
                 int(IDCANCEL));
        QCOMPARE(lines, QStringList{"MsgBox: Veltrum\nDone. [CANCEL]"});
        SetMessageBoxHandler({});
        SetProtocolHandler({});
    }

    void outputPrefixes_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::newRow("green") << "#1Ready"
                               << "Ready" << 1;
        QTest::newRow("low battery")
            << FormatText(TXT_BATTERY_LOW, {"3400"}) << "Battery voltage is low (3400 mV)." << 2;
        QTest::newRow("red") << "#3Dead"
                             << "Dead" << 3;
        QTest::newRow("low bits 0") << "#0zero"
                                    << "zero" << 0;
        QTest::newRow("low bits above 3") << "#7seven"
                                          << "seven" << 0;
        QTest::newRow("letter A, low bits 1") << "#Aa"
                                              << "a" << 1;
        QTest::newRow("double hash") << "##1 not a dot"
                                     << "#1 not a dot" << 0;
        QTest::newRow("hash alone") << "#"
                                    << "#" << 0;
        QTest::newRow("plain") << "Plain 1#2"
                               << "Plain 1#2" << 0;
        QTest::newRow("empty") << ""
                               << "" << 0;
    }
    void outputPrefixes() {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QFETCH(int, state);
        const COutputLine parsed = ParseOutputLine(line);
        QCOMPARE(parsed.text, text);
        QCOMPARE(parsed.state, state);
    }

    // Line feeds split the text; empty lines are listed but not written; dots are not written.
    void outputAddAndWrite() {
        COutput list(QStringLiteral("IDR_MENU_COMM"));
        list.CreateStatusImages();
        list.AddText(QStringLiteral("#1Ready\n\n#2Low"));
        QCOMPARE(list.count(), 3);
        list.AddText(QStringLiteral("Größe ‰\n"));
        QCOMPARE(list.count(), 5);
        QVERIFY(!list.item(0)->icon().isNull());
        QVERIFY(list.item(1)->icon().isNull());
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        QVERIFY(list.WriteTo(file));
        QCOMPARE(file.data(), QByteArray("Ready\nLow\nGr\xF6\xDF"
                                         "e \x89\n"));
        list.Clear();
        QCOMPARE(list.count(), 0);
    }

    void customerLogo() {
        QTemporaryDir folder;
        const QImage maker = COutput::LoadLogo(folder.path());
        QVERIFY(!maker.isNull());
        QImage jpg(30, 10, QImage::Format_RGB32);
        jpg.fill(Qt::red);
        QVERIFY(jpg.save(folder.filePath("CustomerLogo.jpg")));
        QCOMPARE(COutput::LoadLogo(folder.path()).size(), QSize(30, 10));
        QImage png(20, 10, QImage::Format_RGB32);
        png.fill(Qt::blue);
        QVERIFY(png.save(folder.filePath("CustomerLogo.png")));
        QCOMPARE(COutput::LoadLogo(folder.path()).size(), QSize(20, 10));
        // A file that is no image is passed over.
        QFile broken(folder.filePath("CustomerLogo.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("no image");
        broken.close();
        QCOMPARE(COutput::LoadLogo(folder.path()).size(), QSize(30, 10));
    }

    // "Protocol window" is offered only where the protocol is allowed.
    void protocolMenu() {
        COutputDlg pane(nullptr);
        for (bool allowed : {false, true}) {
            pane.ProtocolAllowed = allowed;
            std::unique_ptr<QMenu> menu = LoadPopupMenu(QStringLiteral("IDR_MENU_COMM"), 0);
            QVERIFY(menu);
            pane.OnInitMenu(*menu);
            QList<int> ids;
            for (QAction* action : menu->actions())
                ids << CommandId(action);
            QCOMPARE(ids,
                     allowed ? (QList<int>{ID_PROTOCOL_WINDOW, ID_CLEAR_PROTOCOL, ID_SAVE_PROTOCOL})
                             : (QList<int>{ID_CLEAR_PROTOCOL, ID_SAVE_PROTOCOL}));
        }
        SetLanguage(Language::German);
        QCOMPARE(LoadPopupMenu(QStringLiteral("IDR_MENU_COMM"), 0)->actions().value(1)->text(),
                 QStringLiteral("Protokoll löschen"));
        SetLanguage(Language::English);
    }

    // The menus are written once; their texts follow the language, and the language menu
    // lists the current language first.
    void menusInBothLanguages_data() {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("language, English")
            << false << "IDR_MENU" << 0 << "Language" << QStringList{"English", "German"};
        QTest::newRow("language, German")
            << true << "IDR_MENU" << 0 << "Sprache" << QStringList{"Deutsch", "Englisch"};
        QTest::newRow("info, German") << true << "IDR_MENU" << 1 << "Info"
                                      << QStringList{"Info", "", "Supportdatei erstellen"};
        QTest::newRow("output, German") << true << "IDR_MENU_OUTPUT" << 0 << "Ausgabe"
                                        << QStringList{"Ausgabefenster leeren", "Inhalt speichern"};
    }
    void menusInBothLanguages() {
        QFETCH(bool, german);
        QFETCH(QString, menu);
        QFETCH(int, index);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        SetLanguage(german ? Language::German : Language::English);
        const std::unique_ptr<QMenu> popup = LoadPopupMenu(menu, index);
        SetLanguage(Language::English);
        QVERIFY(popup);
        QCOMPARE(popup->title(), title);
        QStringList texts;
        for (QAction* action : popup->actions())
            texts << action->text();
        QCOMPARE(texts, items);
    }

    void menuTips() {
        QMenu menu;
        QAction* graphs = menu.addAction(QStringLiteral("Create graphs"));
        SetCommandId(graphs, ID_CREATE_GRAPHS);
        QAction* noText = menu.addAction(QStringLiteral("Protocol window"));
        SetCommandId(noText, ID_PROTOCOL_WINDOW);
        QCOMPARE(CMenuTip::TextOf(graphs), LoadText(ID_CREATE_GRAPHS));
        QVERIFY(CMenuTip::TextOf(noText).isEmpty());
        graphs->setEnabled(false);
        QVERIFY(CMenuTip::TextOf(graphs).isEmpty());
    }

    void brandButtons() {
        QWidget dialog;
        CKelvoraButton normal(100, QStringLiteral("No"), &dialog);
        CKelvoraButton byDefault(100, QStringLiteral("Yes"), &dialog);
        byDefault.setDefault(true);
        QCOMPARE(normal.BorderWidth(), 1.0);
        QCOMPARE(byDefault.BorderWidth(), 2.0);
        QCOMPARE(normal.borderColour, QColor(22, 154, 175));
        QCOMPARE(normal.font().pointSizeF(), 10.0);
        // Without a border colour only the style's frame is drawn: the corner pixel keeps the
        // colour it has under the style alone.
        CMyButton plain(QStringLiteral("Plain"), &dialog);
        plain.resize(80, 24);
        CMyButton bordered(QStringLiteral("Plain"), &dialog);
        bordered.resize(80, 24);
        bordered.borderColour = Qt::red;
        const QImage a = plain.grab().toImage();
        const QImage b = bordered.grab().toImage();
        QVERIFY(a != b);
        QCOMPARE(QColor(b.pixel(40, 0)).red(), 255);
    }

    void aboutBox() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Information"));
        QCOMPARE(about.VersionLabel().text(),
                 QStringLiteral("Veltrum Version 4.6.0\nSep. 14, 2020"));
    }

    // The address and the legal notice of the About box speak the user's language.
    void aboutBoxTexts_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("English") << int(Language::English)
                                 << QStringList{"Germany", "All rights reserved."};
        QTest::newRow("German") << int(Language::German)
                                << QStringList{"Deutschland", "Alle Rechte vorbehalten."};
    }
    void aboutBoxTexts() {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        SetLanguage(Language(language));
        CAboutDlg about;
        SetLanguage(Language::English);
        QString shown;
        for (const QLabel* label : about.findChildren<QLabel*>())
            shown += label->text() + u'\n';
        for (const QString& text : texts)
            QVERIFY2(shown.contains(text), qPrintable(shown));
    }

    // Every top-level window has a title, also a box shown without a caption and the
    // frameless protocol window, so that no window manager calls one "Untitled".
    void windowsHaveTitles() {
        CMsgBox box(QStringLiteral("Out of range."), QString(), MB_OK);
        QCOMPARE(box.windowTitle(), QCoreApplication::applicationName());
        COutputDlg protocol(nullptr);
        QCOMPARE(protocol.windowTitle(), QStringLiteral("Protocol"));
    }

    // The picker takes a typed path and says why a folder cannot be the base folder instead
    // of only refusing it.
    void folderPickerSaysWhy() {
        QTemporaryDir base;
        const QDir dir(base.path());
        QVERIFY(dir.mkdir("open") && dir.mkdir("locked"));
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        // The superuser may create folders anywhere.
        const bool lockedRefused = !QFileInfo(dir.filePath("locked")).isWritable();

        CSelectPathDlg picker(base.path(), nullptr);
        auto* name = picker.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name && !name->isReadOnly());
        const auto choose = [&](const QString& typed) {
            name->setText(typed);
            picker.accept();
            return picker.result() == QDialog::Accepted;
        };
        QVERIFY(!choose("file"));
        QCOMPARE(picker.Refusal(),
                 FormatText(TXT_NOT_A_FOLDER, {QDir::toNativeSeparators(dir.filePath("file"))}));
        QVERIFY(!choose("missing"));
        QVERIFY2(picker.Refusal().startsWith(QDir::toNativeSeparators(dir.filePath("missing"))),
                 qPrintable(picker.Refusal()));
        if (lockedRefused) {
            QVERIFY(!choose("locked"));
            QCOMPARE(picker.Refusal(),
                     FormatText(TXT_FOLDER_NOT_WRITABLE,
                                {QDir::toNativeSeparators(dir.filePath("locked"))}));
        }
        QVERIFY(choose(dir.filePath("open")));
        QCOMPARE(picker.Folder(), dir.filePath("open"));
        QFile::setPermissions(dir.filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
