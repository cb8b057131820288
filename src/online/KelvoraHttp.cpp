#include "online/KelvoraHttp.h"

#include "base/AnsiCodec.h"
#include "base/Reg.h"
#include "base/Texts.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

// Longest silence within a transfer.
constexpr int kSilenceTimeoutMs = 30000;
constexpr qint64 kBlockSize = 4096;
// More redirects than this count as a loop.
constexpr qsizetype kMaxRedirects = 10;

CTransferView* g_view = nullptr;

void ReportError(const QString& text) {
    ShowMessage(text, MB_OK, LoadText(TXT_UPDATES));
}

void ReportMissing(const QString& url) {
    ShowMessage(FormatText(TXT_FILE_NOT_FOUND, {url.mid(url.lastIndexOf(u'/') + 1)}), MB_OK,
                LoadText(TXT_UPDATES));
}

// Reads "%u" as C's scanner does: blanks, an optional sign, digits (wrapping); pos moves behind
// the number. False when there is no digit.
bool ScanUnsignedAt(QStringView text, qsizetype& pos, std::uint32_t& value) {
    qsizetype i = pos;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const qsizetype first = i;
    std::uint32_t number = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        number = number * 10u + static_cast<std::uint32_t>(text[i++].unicode() - u'0');
    if (i == first)
        return false;
    value = negative ? 0u - number : number;
    pos = i;
    return true;
}

// Reads prefix "_" followed by count numbers separated by '.', as sscanf with "prefix_%u.%u..."
// does; text after the last number is ignored.
bool ScanVersion(const QString& entry, const QString& prefix, int count, std::uint32_t* parts) {
    const QString start = prefix + u'_';
    if (!entry.startsWith(start))
        return false;
    qsizetype pos = start.size();
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (pos >= entry.size() || entry[pos++] != u'.'))
            return false;
        if (!ScanUnsignedAt(entry, pos, parts[i]))
            return false;
    }
    return true;
}

} // namespace

void SetTransferView(CTransferView* view) {
    g_view = view;
}

CKelvoraHttp::CKelvoraHttp() = default;

CKelvoraHttp::CKelvoraHttp(std::chrono::milliseconds listDeadline,
                           std::chrono::milliseconds fileDeadline)
    : m_listDeadline(listDeadline), m_fileDeadline(fileDeadline) {}

CKelvoraHttp::~CKelvoraHttp() = default;

QString CKelvoraHttp::ServerOrigin() {
    QString origin = CRegVT().ServerOrigin();
    if (origin.isEmpty())
        origin = QString::fromLatin1(kDefaultOrigin);
    while (origin.endsWith(u'/'))
        origin.chop(1);
    return origin;
}

bool CKelvoraHttp::IsAllowedUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    return url.scheme() == u"http" && QHostAddress(url.host()).isLoopback();
}

bool CKelvoraHttp::OpenUrl(const QString& path, Kind kind) {
    return Fetch(path, kind, nullptr);
}

bool CKelvoraHttp::Fetch(const QString& path, Kind kind, QIODevice* sink) {
    Close();
    m_bCancelled = false;
    const QUrl url(ServerOrigin() + path);
    const QString shown = url.toDisplayString();
    if (!IsAllowedUrl(url)) {
        ReportError(FormatText(TXT_ADDRESS_NOT_ALLOWED, {shown}));
        return false;
    }
    const std::chrono::milliseconds deadline = kind == Kind::List ? m_listDeadline : m_fileDeadline;
    const qint64 maxSize = kind == Kind::List    ? kMaxListSize
                           : kind == Kind::Image ? kMaxImageSize
                                                 : kMaxPackageSize;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(kSilenceTimeoutMs);

    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    // Deleted here, not later: no event loop may run after the last transfer of the program.
    const std::unique_ptr<QNetworkReply> reply(m_manager->get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A redirect is followed only to an address that could have been asked for directly, and
    // only to an address not visited before. Transfers that are given up leave the loop and are
    // aborted after it, outside Qt's own signal handling.
    QUrl refusedTarget;
    QList<QUrl> visited{url};
    bool loops = false;
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& target) {
        if (!IsAllowedUrl(target)) {
            refusedTarget = target;
            loop.quit();
        } else if (visited.contains(target) || visited.size() > kMaxRedirects) {
            loops = true;
            loop.quit();
        } else {
            visited.append(target);
            emit reply->redirectAllowed();
        }
    });
    bool tooLarge = false;
    const auto checkSize = [&](qint64 size) {
        if (size > maxSize) {
            tooLarge = true;
            loop.quit();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        checkSize(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    CTransferView* view = g_view;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64 total) {
                         checkSize(received);
                         if (view)
                             view->Progress(received, total);
                     });
    // The body goes into the sink as it arrives; its start stays here to be looked at.
    QString writeError;
    const auto drain = [&] {
        const QByteArray chunk = reply->readAll();
        if (m_data.size() < kBlockSize)
            m_data += chunk.left(kBlockSize - m_data.size());
        if (sink->write(chunk) != chunk.size()) {
            writeError = sink->errorString();
            loop.quit();
        }
    };
    if (sink)
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, drain);
    // The transfer timeout of the request restarts with every byte; this one does not.
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    if (!reply->isFinished()) {
        const QString name = url.path().mid(url.path().lastIndexOf(u'/') + 1);
        const bool interactive = view && view->Begin(name, kind != Kind::List, [&] {
            m_bCancelled = true;
            loop.quit();
        });
        timer.start(deadline);
        loop.exec(interactive ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (view)
            view->End();
    }
    QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
    if (!reply->isFinished())
        reply->abort();
    else if (sink && writeError.isEmpty() && !tooLarge)
        drain();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_bCancelled)
        return false;
    if (timedOut) {
        const auto seconds = (deadline.count() + 999) / 1000;
        ReportError(FormatText(TXT_SERVER_NO_ANSWER, {shown, QString::number(seconds)}));
        return false;
    }
    if (refusedTarget.isValid()) {
        ReportError(FormatText(TXT_ADDRESS_NOT_ALLOWED, {refusedTarget.toDisplayString()}));
        return false;
    }
    if (loops) {
        ReportError(FormatText(TXT_SERVER_REDIRECT_LOOP, {shown}));
        return false;
    }
    if (tooLarge) {
        ReportError(FormatText(TXT_TOO_LARGE, {shown}));
        return false;
    }
    if (status == 404 || status == 410) {
        ReportMissing(url.path());
        return false;
    }
    if (status >= 400 || (reply->error() == QNetworkReply::NoError && status / 100 != 2)) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        ReportError(FormatText(TXT_SERVER_ERROR_STATUS,
                               {shown, (QString::number(status) + u' ' + reason).trimmed()}));
        return false;
    }
    // No connection, a failed TLS handshake, a silence that was too long, an answer cut short.
    if (reply->error() != QNetworkReply::NoError) {
        ReportError(FormatText(TXT_SERVER_UNREACHABLE, {shown, reply->errorString()}));
        return false;
    }
    if (!writeError.isEmpty()) {
        ReportError(FormatText(TXT_FILE_NOT_SAVED, {url.fileName(), writeError}));
        return false;
    }
    QByteArray body = sink ? m_data : reply->readAll();
    if (body.isEmpty()) {
        ReportError(FormatText(TXT_SERVER_FILE_EMPTY, {shown}));
        return false;
    }
    m_strPath = path;
    m_data = std::move(body);
    m_nPos = 0;
    return true;
}

bool CKelvoraHttp::ReadLine(QString& line) {
    line.clear();
    if (m_strPath.isEmpty() || m_nPos >= m_data.size())
        return false;
    qsizetype end = m_data.indexOf('\n', m_nPos);
    const qsizetype next = end < 0 ? m_data.size() : end + 1;
    if (end < 0)
        end = m_data.size();
    if (end > m_nPos && m_data[end - 1] == '\r')
        --end;
    line = QString::fromUtf8(m_data.constData() + m_nPos, end - m_nPos);
    m_nPos = next;
    return true;
}

void CKelvoraHttp::Close() {
    m_strPath.clear();
    m_data.clear();
    m_nPos = 0;
}

bool CKelvoraHttp::IsErrorPage(const QString& text, const QString& url) {
    if (!text.contains(QStringLiteral("<!DOCTYPE"), Qt::CaseInsensitive))
        return false;
    ReportMissing(url);
    Close();
    return true;
}

int CKelvoraHttp::ReadVersionList(const QString& folderPath, QStringList& list) {
    list.clear();
    const QString path =
        QStringLiteral("/fileadmin/user_upload") + folderPath + QStringLiteral("Versions.txt");
    if (!OpenUrl(path, Kind::List))
        return 0;
    QString line;
    ReadLine(line); // there is one: an empty answer does not open
    if (IsErrorPage(line, path))
        return 0;
    do {
        if (!line.isEmpty())
            list.append(line);
    } while (ReadLine(line));
    Close();
    if (list.isEmpty())
        ReportError(FormatText(TXT_SERVER_FILE_EMPTY, {ServerOrigin() + path}));
    return static_cast<int>(list.size());
}

std::uint64_t CKelvoraHttp::FindProgramVersion(const QStringList& list, const QString& prefix) {
    for (const QString& entry : list) {
        std::uint32_t parts[3] = {};
        if (ScanVersion(entry, prefix, 3, parts))
            return (std::uint64_t{parts[0] & 0xFFFFu} << 32) +
                   (std::uint64_t{parts[1] & 0xFFFFu} << 16) + (parts[2] & 0xFFFFu);
    }
    return 0;
}

std::uint32_t CKelvoraHttp::FindFirmwareVersion(const QStringList& list, const QString& prefix) {
    for (const QString& entry : list) {
        std::uint32_t parts[2] = {};
        if (ScanVersion(entry, prefix, 2, parts))
            return ((parts[0] & 0xFFFFu) << 16) + (parts[1] & 0xFFFFu);
    }
    return 0;
}

bool CKelvoraHttp::LookupParameters(const QString& key, QString& value) {
    if (key.isEmpty())
        return false;
    const QString path = QString::fromLatin1(kFirmwareFolder) + QStringLiteral("VM_Param.txt");
    if (!OpenUrl(path, Kind::List))
        return false;
    QString line;
    bool found = false;
    bool first = true;
    while (!found && ReadLine(line)) {
        if (first && IsErrorPage(line, path))
            return false;
        first = false;
        // The key must be followed by its separator, so that "K-1" never finds "K-10".
        found = line.startsWith(key) &&
                (line.size() == key.size() || !line[key.size()].isLetterOrNumber());
    }
    Close();
    if (found)
        value = line.mid(key.size() + 1);
    return found;
}

bool CKelvoraHttp::OpenFirmwareFile(const QString& name, QString& firstLine) {
    const QString path = QString::fromLatin1(kFirmwareFolder) + name;
    if (!OpenUrl(path, Kind::Image))
        return false;
    if (!ReadLine(firstLine)) {
        Close();
        return false;
    }
    return !IsErrorPage(firstLine, path);
}

bool CKelvoraHttp::DownloadProgramFile(const QString& name, const QString& folder) {
    const QString path = QString::fromLatin1(kSoftwareFolder) + name;
    // Written under a temporary name and renamed at the end: a failed or cancelled download
    // never leaves a partial package behind.
    QSaveFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly)) {
        ReportError(FormatText(TXT_FILE_NOT_SAVED, {file.fileName(), file.errorString()}));
        return false;
    }
    if (!Fetch(path, Kind::Package, &file))
        return false;
    // The start of the body: a web page instead of the package is no package.
    const bool errorPage = IsErrorPage(FromAnsi(m_data), path);
    Close();
    if (errorPage)
        return false;
    if (!file.commit()) {
        ReportError(FormatText(TXT_FILE_NOT_SAVED, {file.fileName(), file.errorString()}));
        return false;
    }
    return true;
}
