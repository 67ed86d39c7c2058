#pragma once

// The update check behind "Check for updates" (Button22): the version file, then at most one
// of the database download or the installer download, each on its own download component.
// The window only shows what this holds (Panel10, the progress bar up1, Label6, Button22);
// messages and the shell's "open" go through the window port.
//
// A version file counts only when its detached signature ("/updr2/swupd.txt.sig") verifies
// against a trusted key; otherwise the check has failed. Its fields, ";"-terminated:
//   swupd; database version; program build; SHA-256 of the database; SHA-256 of the installer;
// A downloaded database replaces "files.dat" only when its SHA-256 matches and it decodes to a
// database; the replaced file is kept as "files.dat.previous". The installer is started only
// when its SHA-256 matches.
//
// The update state's message is shown when the check it belongs to has ended, and only where
// no other message already told the outcome: "Your version is already upgraded!" after a check
// that found nothing to download, the "Connection error" box after a failed installer download.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "database/signature_database.h"
#include "foundation/observable.h"
#include "foundation/ui_port.h"
#include "update/http_get.h"
#include "update/update_settings.h"

namespace scourwell::update {

inline constexpr std::string_view kProgramBuild = "Scourwell (Build: 7.12.2013)";
inline constexpr std::string_view kUpdateAgent = "Orvanel HTTPGet";

inline constexpr std::string_view kVersionFilePath = "/updr2/swupd.txt";
inline constexpr std::string_view kSignaturePath = "/updr2/swupd.txt.sig";
inline constexpr std::string_view kDatabasePath = "/updr2/files2.htm";
inline constexpr std::string_view kInstallerPath = "/downloads/scourwell_setup.exe";

inline constexpr std::string_view kDownloadedDatabase = "filess.dat";
inline constexpr std::string_view kDatabaseFile = "files.dat";
inline constexpr std::string_view kPreviousDatabase = "files.dat.previous";
inline constexpr std::string_view kInstallerFile = "scourwell_setup.exe";

inline constexpr std::string_view kDatabaseUpdated = "Database updated!";
inline constexpr std::string_view kDatabaseFailed =
    "Cannot update database, check your internet connection or retry later!";
inline constexpr std::string_view kCheckFailed =
    "Updates error, please check your internet connection or retry later!";
inline constexpr std::string_view kAlreadyUpgraded = "Your version is already upgraded!";
inline constexpr std::string_view kConnectionError =
    "Cannot upgrade, please check your internet connection.\r\rTips:\r1. Check if some firewall is "
    "disable Scourwell internet connection.\r2. Open Microsoft Internet Explorer and Turn off "
    "option "
    "Work offline if it is active.\r3. Make sure that you have latest Microsoft Internet Explorer "
    "version.";

// True when `stored` (a database file's bytes) decodes to a database: a whole bzip2 stream
// under the scrambling, a version line, and the "_end" line.
bool IsUsableDatabase(const std::string& stored);

class UpdateCheck {
  public:
    UpdateCheck(foundation::UiPort& ui, database::SignatureDatabase& database,
                UpdateSettings settings);
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    THTTPGet Get2;     // the version file, into a text
    THTTPGet Get2Sig;  // its signature, into a text
    THTTPGet get1;     // the database, into "filess.dat"
    THTTPGet get3;     // the installer

    // What the window shows.
    foundation::Observable<bool> panel10Visible{false};
    foundation::Observable<bool> button22Enabled{true};
    foundation::Observable<int64_t> up1Max{0};
    foundation::Observable<int64_t> up1Position{0};
    foundation::Observable<std::string> label6;  // the database's version line after an update

    // 0 at start; 1 after a check that found the database current and after a database
    // update; 3 after a failed database or installer download.
    int UpdateState() const { return updateState_; }
    // True from a click until the check and what it started have ended.
    bool Running() const;

    void Button22Click();
    void Get2DoneString(THTTPGet& sender, const std::string& reply);
    void Get2SigDoneString(THTTPGet& sender, const std::string& signature);
    void get1DoneFile(THTTPGet& sender, const std::string& fileName, int64_t fileSize);
    void get3DoneFile(THTTPGet& sender, const std::string& fileName, int64_t fileSize);
    void Get2Error(THTTPGet& sender);
    void get1Error(THTTPGet& sender);
    void get3Error(THTTPGet& sender);
    void Progress(THTTPGetThread& sender, int64_t totalSize, int64_t readed);

    // After the installer has been opened: the wait before the program ends, and how it ends
    // (exit code 1). Tests replace both.
    std::chrono::milliseconds installerWait{5000};
    std::function<void(int)> exitProgram;

    const UpdateSettings& Settings() const { return settings_; }

  private:
    void CheckVersionReply(const std::string& reply);
    void DatabaseDownloadFailed();
    std::string Url(std::string_view path) const;

    foundation::UiPort& ui_;
    database::SignatureDatabase& database_;
    UpdateSettings settings_;
    int updateState_ = 0;
    std::string reply_;  // the version file waiting for its signature
    std::string databaseSha256_;
    std::string installerSha256_;
};

}  // namespace scourwell::update
