#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class QNetworkAccessManager;
class QUrl;

// What the user sees of the transfers from the vendor server. The desktop program shows a wait
// cursor for each, and for the files that may take long (a firmware image, the program package)
// a progress window with a Cancel button; without a view (command line, tests) transfers run
// unseen.
class CTransferView {
public:
    virtual ~CTransferView() = default;
    // A transfer of name begins; file: an image or the package. The view calls cancel when the
    // user cancels. True when it shows a window that takes the user's input, so that the wait
    // for the transfer must let input through.
    virtual bool Begin(const QString& name, bool file, std::function<void()> cancel) = 0;
    // received of total bytes; total is -1 while unknown.
    virtual void Progress(qint64 received, qint64 total) = 0;
    virtual void End() = 0;
};
// The view of every transfer of the process; null for none.
void SetTransferView(CTransferView* view);

// Reads plain files from the vendor web server: the version lists, firmware images, the
// parameter list and the program package. A transfer runs to its end before OpenUrl returns
// (the lists and images are small; the package goes straight into its file); the reader then
// hands out the body line by line or as raw bytes. Every failure is shown in the message box
// with a text that names it (no answer in time, no connection, an error status, an empty or too
// large answer, a missing file) and turns the result into false, 0 or empty; a transfer that the
// user cancelled fails without a message.
//
// The server's origin is the "ServerOrigin" setting, by default the maker's https address. Only
// https is accepted, and plain http for loopback addresses (local test servers); certificates
// are verified. Use it on the thread that runs the application's event loop.
//
// Each reader has its network objects (connection manager, its transfer thread, the replies)
// to itself and tears them down when it is destroyed, so none outlives the application object:
// torn down after it, they would leak or complain.
class CKelvoraHttp {
public:
    static constexpr const char* kDefaultOrigin = "https://www.kelvora.de";
    static constexpr const char* kFirmwareFolder = "/fileadmin/user_upload/Firmware/";
    static constexpr const char* kSoftwareFolder = "/fileadmin/user_upload/software/";
    // What is fetched: a list (versions, parameters), a firmware image or the program package.
    enum class Kind { List, Image, Package };
    // Larger answers are refused; the files on the server are far smaller.
    static constexpr qint64 kMaxListSize = 1024 * 1024;
    static constexpr qint64 kMaxImageSize = 4 * 1024 * 1024;
    static constexpr qint64 kMaxPackageSize = 256 * 1024 * 1024;
    // The longest a transfer may take as a whole, however steadily its bytes arrive: a list or
    // the parameter file, and a firmware image or the program package.
    static constexpr std::chrono::milliseconds kListDeadline{60000};
    static constexpr std::chrono::milliseconds kFileDeadline{600000};

    CKelvoraHttp();
    // With other deadlines (tests).
    CKelvoraHttp(std::chrono::milliseconds listDeadline, std::chrono::milliseconds fileDeadline);
    ~CKelvoraHttp();
    CKelvoraHttp(const CKelvoraHttp&) = delete;
    CKelvoraHttp& operator=(const CKelvoraHttp&) = delete;

    // Scheme and host of the server, without a trailing '/'.
    static QString ServerOrigin();
    // Whether the program may fetch from url: https, or http to a loopback address.
    static bool IsAllowedUrl(const QUrl& url);

    // Fetches the file at path below the server's origin, always from the server and without
    // caching it, within the deadline and size limit of its kind. A missing file (404) shows
    // message 212; an empty answer is a failure as well.
    bool OpenUrl(const QString& path, Kind kind);
    // Whether the last transfer ended because the user cancelled it.
    bool Cancelled() const { return m_bCancelled; }
    // The next line of the open file, UTF-8 decoded, without its line end; false at the end.
    bool ReadLine(QString& line);
    void Close();

    // True when text holds an HTML document type (the server answered with a web page instead
    // of the file); then shows "File %1 not found." for the last part of url and closes.
    bool IsErrorPage(const QString& text, const QString& url);

    // The non-empty lines of folderPath + "Versions.txt" below "/fileadmin/user_upload"
    // (folderPath "/software/" or "/Firmware/"); their number, 0 after a message when the list
    // cannot be read or holds no entry.
    int ReadVersionList(const QString& folderPath, QStringList& list);
    // The value of the first entry that reads prefix "_%u.%u.%u" as (major << 32) +
    // (minor << 16) + patch, or 0.
    static std::uint64_t FindProgramVersion(const QStringList& list, const QString& prefix);
    // The value of the first entry that reads prefix "_%u.%u" as (major << 16) + minor, or 0.
    static std::uint32_t FindFirmwareVersion(const QStringList& list, const QString& prefix);

    // The value of key in the parameter list "VM_Param.txt"; false after a message when the list
    // cannot be read, and without one when it has no entry for key.
    bool LookupParameters(const QString& key, QString& value);
    // Opens a firmware image and reads its first line; the caller goes on with ReadLine.
    bool OpenFirmwareFile(const QString& name, QString& firstLine);
    // Stores the program package name from the server as folder/name; it appears there only
    // when it has arrived whole.
    bool DownloadProgramFile(const QString& name, const QString& folder);

private:
    // OpenUrl; with a sink the body is written there as it arrives and only its start is kept.
    bool Fetch(const QString& path, Kind kind, QIODevice* sink);

    std::chrono::milliseconds m_listDeadline = kListDeadline;
    std::chrono::milliseconds m_fileDeadline = kFileDeadline;
    std::unique_ptr<QNetworkAccessManager> m_manager; // created with the first transfer
    QString m_strPath; // path of the open file; empty when none is open
    QByteArray m_data;
    qsizetype m_nPos = 0;
    bool m_bCancelled = false;
};
