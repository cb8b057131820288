#pragma once

#include "data/CData.h"
#include "link/DevCmd.h"

#include <QStringList>

#include <functional>
#include <optional>

// "GD": downloads the module's recorded events, lists them and saves the download as a data
// file (plus the listing as a text file) in the module's folder under the base folder.
class CGetDataCmd : public CDevCmdReply {
public:
    static constexpr std::uint32_t kTimeout = 1000;

    CGetDataCmd();
    std::uint32_t GetTimeout() const override { return kTimeout; }
    // Worker thread: the download time and the identity lines of the reply.
    void OnReply() override;
    // User-interface thread: lists the events in view, then saves the data file and listing.
    void ShowResult(CInfoView& view) override;

    // An event's line in the listing: time, sensor, duration, value, feedback, battery class,
    // and " *" for an event the statistics leave out.
    static QString ListingLine(const CData& event);

    // Path of the data file for this download; cleans folderName for use as a folder.
    QString MakeFileName(QString& folderName, const QString& fileExtension) const;
    // Writes the download as a data file and the listing beside it, then shows one message;
    // false when the data file was not written (existing file, folder or file that cannot be
    // written, each with its message). A listing that cannot be written leaves the data file
    // in place, with a message saying so.
    bool SaveDataFile(QString& folderName, const QString& fileExtension);

    // Base folder of the data folders ("DataPath").
    QString m_strBaseFolder;
    // Lets the user pick another base folder after a folder could not be created; false when
    // the user cancels. Without it the save is given up.
    std::function<bool(QString& baseFolder)> m_selectBaseFolder;
    // The data file and listing written by the last ShowResult; empty when not written.
    QString m_strSavedPath;
    QString m_strListingPath;
    // The data file that already held the events of a download marked read; empty when none
    // does (the download is then saved without asking).
    QString m_strHeldIn;

    std::int64_t downloadTime = 0;
    QString moduleId;
    QString versionLine;
    QString extension;
    bool readAlready = false;

private:
    QByteArray FileText() const;
    QByteArray ListingText() const;
    // The data file of this module in its folder whose last real event is lastEvent (any file
    // of the module when there is none); empty when there is no such file.
    QString FileWithEvents(const QString& folderName, const CInfoHeader& header,
                           const std::optional<CData>& lastEvent) const;

    QStringList m_listing;
};

// Local date and time as line 1 of a data file starts: the locale's short date, a blank and the
// time with seconds (with AM/PM where the locale uses a 12-hour clock), as the files written on
// Windows show it.
QString DownloadTimeText(std::int64_t secondsSinceEpoch);
