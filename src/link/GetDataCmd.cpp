#include "link/GetDataCmd.h"

#include "base/AnsiCodec.h"
#include "base/AppInfo.h"
#include "base/Texts.h"
#include "data/CData.h"
#include "data/CDataFile.h"
#include "data/CFileList.h"
#include "data/CInfoHeader.h"
#include "data/DownloadWriter.h"
#include "data/NameIndex.h"
#include "link/DeviceState.h"
#include "link/InfoCmd.h"
#include "link/InfoView.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace {

// Loader lines with this build number come from loaders that report no version.
constexpr int kNoLoaderVersion = 16433;
constexpr int kOldestDiagLoader = 768;

int Ask(int id, unsigned style, const QStringList& args = {}) {
    return ShowMessage(FormatText(id, args), style, QCoreApplication::applicationName());
}

// "Loader\t%d\t%d": the loader version and its build number.
std::optional<std::pair<int, int>> ParseLoaderLine(const QString& line) {
    if (!line.startsWith(QStringLiteral("Loader")))
        return std::nullopt;
    const QStringList fields =
        line.mid(6).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    bool okVersion = false;
    bool okBuild = false;
    const int version = fields.value(0).toInt(&okVersion);
    const int build = fields.value(1).toInt(&okBuild);
    if (!okVersion || !okBuild)
        return std::nullopt;
    return std::make_pair(version, build);
}

// The loader version and diagnosis lines of charger ("CB") or module ("VM").
QString LoaderLines(const char* who, const QString& loader, const QString& diag) {
    const auto parsed = ParseLoaderLine(loader);
    if (!parsed || parsed->second == kNoLoaderVersion)
        return QString();
    const int version = parsed->first;
    QString lines = QStringLiteral("%1 Lader\t%2.%3\n")
                        .arg(QLatin1String(who))
                        .arg(version / 256)
                        .arg(version % 256);
    if (version > kOldestDiagLoader)
        lines += QStringLiteral("%1 %2\n").arg(QLatin1String(who), diag);
    return lines;
}

} // namespace

QString DownloadTimeText(std::int64_t secondsSinceEpoch) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    const QLocale locale;
    // The date must stay one word: the reader splits the line at its first blank.
    // Without a language the C runtime's own form is used: month/day/two-digit year.
    QString date = locale.language() == QLocale::C
                       ? local.date().toString(QStringLiteral("MM/dd/yy"))
                       : locale.toString(local.date(), QLocale::ShortFormat);
    date.remove(u' ');
    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    const bool twelveHour = timeFormat.contains(u'a', Qt::CaseInsensitive) &&
                            locale.amText().compare(QStringLiteral("AM"), Qt::CaseInsensitive) == 0;
    const QTime time = local.time();
    QString clock;
    if (twelveHour) {
        const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        clock = QStringLiteral("%1:%2:%3 %4")
                    .arg(hour12)
                    .arg(time.minute(), 2, 10, QLatin1Char('0'))
                    .arg(time.second(), 2, 10, QLatin1Char('0'))
                    .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    } else {
        clock = time.toString(QStringLiteral("HH:mm:ss"));
    }
    return date + u' ' + clock;
}

CGetDataCmd::CGetDataCmd() : CDevCmdReply(QStringLiteral("GD")) {
    m_nKind = KIND_DOWNLOAD;
}

void CGetDataCmd::OnReply() {
    downloadTime = QDateTime::currentSecsSinceEpoch();
    const QStringList lines = m_strReply.split(u'\n');
    moduleId = lines.value(0);
    versionLine = lines.value(1);
    moduleId = moduleId.startsWith(QStringLiteral("ID\t")) ? moduleId.mid(3) : QString();
    extension = QStringLiteral("csv");
    readAlready = lines.value(2) == QStringLiteral("Gelesen\t1");
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QStringLiteral("Akkuspannung")) ||
            line.startsWith(QStringLiteral("Index")))
            break;
        if (line == QStringLiteral("Motor\t1"))
            extension = QStringLiteral("koM");
        else if (line == QStringLiteral("Motor\t2"))
            extension = QStringLiteral("kmM");
    }
}

QString CGetDataCmd::ListingLine(const CData& event) {
    QString text = QStringLiteral("%1, %2, %3 ms, %4, %5, %6")
                       .arg(event.TimeText(), event.SensorText())
                       .arg(event.durationMs)
                       .arg(event.valueMille)
                       .arg(event.FeedbackText())
                       .arg(event.batteryClass);
    if (event.kind == KIND_EXCLUDED)
        text += QStringLiteral(" *");
    return text;
}

void CGetDataCmd::ShowResult(CInfoView& view) {
    m_strSavedPath.clear();
    m_strListingPath.clear();
    m_strHeldIn.clear();
    CInfoHeader header;
    header.ParseReplyHeader(downloadTime, m_strReply);

    m_listing = QStringList{LoadText(TXT_EVENTS)};
    const qsizetype index = m_strReply.indexOf(QStringLiteral("Index"));
    const qsizetype firstEvent = index < 0 ? -1 : m_strReply.indexOf(u'\n', index);
    QString lastDate;
    std::optional<CData> lastEvent;
    if (firstEvent >= 0) {
        for (const QString& line :
             m_strReply.mid(firstEvent + 1).split(u'\n', Qt::SkipEmptyParts)) {
            CData event(ToAnsi(line), header);
            event.time = CTimeMs::FromMs(event.startMs);
            const QString date = event.DateText();
            if (date != lastDate || m_listing.size() == 1)
                m_listing << date;
            lastDate = date;
            m_listing << ListingLine(event);
            if (event.kind & KIND_EVENT)
                lastEvent = event;
        }
    }
    view.Clear();
    view.AddText(m_listing.join(u'\n'));

    if (moduleId.isEmpty()) {
        Ask(TXT_NO_MODULE_ID, MB_OK);
        return;
    }
    const std::optional<QString> name = LookupName(moduleId);
    QString folder = name ? *name : AskName(moduleId);
    if (folder.isEmpty())
        folder = moduleId;
    // The module marks its events read when it sends them, also when they were never saved
    // (a full disk, the program ended): only a data file that holds them makes this a repeat.
    if (readAlready) {
        m_strHeldIn = FileWithEvents(CleanFolderName(folder), header, lastEvent);
        if (!m_strHeldIn.isEmpty() && Ask(TXT_ALREADY_UPLOADED, MB_YESNO) != IDYES)
            return;
    }
    SaveDataFile(folder, extension);
}

QString CGetDataCmd::FileWithEvents(const QString& folderName, const CInfoHeader& header,
                                    const std::optional<CData>& lastEvent) const {
    const QStringList paths =
        DataFilesIn(QDir(m_strBaseFolder).filePath(folderName), QStringLiteral("*.") + extension);
    CDataFile file;
    // Newest first: a repeated download is most likely the one before.
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        if (!file.Open(*path) || file.id != header.id)
            continue;
        if (!lastEvent)
            return *path; // nothing to keep: any file of the module holds no less
        // Both lines are read with this download's time base: the time bases of two downloads
        // differ by the rounding of their clocks, the lines of one event do not.
        for (QByteArrayView line = file.LastLine(); !line.isEmpty(); line = file.PrevLine()) {
            const CData event(line, header);
            if (event.kind & KIND_EVENT) {
                if (event.SameEvent(*lastEvent))
                    return *path;
                break;
            }
        }
    }
    return {};
}

QString CGetDataCmd::MakeFileName(QString& folderName, const QString& fileExtension) const {
    folderName = CleanFolderName(folderName);
    return DownloadFilePath(m_strBaseFolder, folderName, downloadTime, fileExtension);
}

QByteArray CGetDataCmd::FileText() const {
    const QStringList lines = m_strReply.split(u'\n');
    const CInfoCmdVM& module = TheDevice().moduleInfo;
    const CInfoCmdCB& charger = TheDevice().chargerInfo;
    QString text =
        DownloadTimeText(downloadTime) + u'\t' + QString::number(quint64(downloadTime)) + u'\n';
    text += lines.value(0) + u'\n' + lines.value(1) + u'\n';
    text += LoaderLines("VM", module.m_strLoader, module.m_strDiag);
    text += QStringLiteral("Ladebox\t%1\t%2\n").arg(charger.m_strSerial, charger.m_strVersion);
    text += LoaderLines("CB", charger.m_strLoader, charger.m_strDiag);
    text += QString(VersionText()).replace(u'\n', u'\t') + u'\n';
    text += lines.mid(2).join(u'\n');
    text.replace(u'\n', QStringLiteral("\r\n"));
    return ToAnsi(text) + "\r\n";
}

bool CGetDataCmd::SaveDataFile(QString& folderName, const QString& fileExtension) {
    for (;;) {
        const QString path = MakeFileName(folderName, fileExtension);
        if (QFileInfo::exists(path)) {
            Ask(TXT_FILE_EXISTS, MB_OK, {QDir::toNativeSeparators(path)});
            return false;
        }
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            if (QDir(m_strBaseFolder).mkdir(folderName))
                continue;
            if (Ask(TXT_FOLDER_FAILED, MB_OKCANCEL,
                    {folderName, QDir::toNativeSeparators(m_strBaseFolder)}) != IDOK ||
                !m_selectBaseFolder || !m_selectBaseFolder(m_strBaseFolder))
                return false;
            continue;
        }
        // Both files are in place before any message is shown: a program ended while the
        // message is open keeps them.
        const QString listingPath = MakeFileName(folderName, QStringLiteral("txt"));
        const DownloadWritten written = WriteDownload(path, FileText(), listingPath, ListingText());
        if (written == DownloadWritten::Nothing) {
            Ask(TXT_FILE_NOT_WRITTEN, MB_OK, {QDir::toNativeSeparators(path)});
            return false;
        }
        m_strSavedPath = path;
        if (written == DownloadWritten::DataFile) {
            Ask(TXT_LISTING_NOT_WRITTEN, MB_OK,
                {QDir::toNativeSeparators(path), QDir::toNativeSeparators(listingPath)});
            return true;
        }
        m_strListingPath = listingPath;
        Ask(TXT_EVENTS_SAVED, MB_OK, {QDir::toNativeSeparators(path)});
        return true;
    }
}

QByteArray CGetDataCmd::ListingText() const {
    QByteArray text;
    for (const QString& line : m_listing) {
        if (!line.isEmpty())
            text += ToAnsi(line) + "\r\n";
    }
    return text;
}
