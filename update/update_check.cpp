#include "update/update_check.h"

#include <cstdlib>
#include <thread>

#include "foundation/data_folder.h"
#include "foundation/record_lines.h"
#include "foundation/text.h"
#include "platform/files.h"

namespace scourwell::update {

using foundation::MessageIcon;

bool IsUsableDatabase(const std::string& stored) {
    std::string text;
    if (!database::DecodeStoredDatabase(stored, text)) return false;
    const size_t firstBreak = text.find("\r\n");
    if (firstBreak == std::string::npos || firstBreak == 0) return false;
    // The reader stops at "_end"; a database cut before it would lose its last entries unseen.
    return text.find("\r\n_end\r\n") != std::string::npos || text.ends_with("\r\n_end");
}

UpdateCheck::UpdateCheck(foundation::UiPort& ui, database::SignatureDatabase& database,
                         UpdateSettings settings)
    : Get2(ui),
      Get2Sig(ui),
      get1(ui),
      get3(ui),
      ui_(ui),
      database_(database),
      settings_(std::move(settings)) {
    for (THTTPGet* get : {&Get2, &Get2Sig, &get1, &get3}) {
        get->AcceptTypes = "*/*";
        get->Agent = std::string(kUpdateAgent);
        get->BinaryData = false;
        get->UseCache = false;
        get->PosIndex = 0;
        get->WaitThread = false;
        get->OnProgress = [this](THTTPGetThread& sender, int64_t total, int64_t readed) {
            Progress(sender, total, readed);
        };
    }
    Get2.OnDoneString = [this](THTTPGet& sender, const std::string& reply) {
        Get2DoneString(sender, reply);
    };
    Get2.OnError = [this](THTTPGet& sender) { Get2Error(sender); };
    Get2Sig.OnDoneString = [this](THTTPGet& sender, const std::string& signature) {
        Get2SigDoneString(sender, signature);
    };
    Get2Sig.OnError = [this](THTTPGet& sender) { Get2Error(sender); };
    get1.OnDoneFile = [this](THTTPGet& sender, const std::string& name, int64_t size) {
        get1DoneFile(sender, name, size);
    };
    get1.OnError = [this](THTTPGet& sender) { get1Error(sender); };
    get3.OnDoneFile = [this](THTTPGet& sender, const std::string& name, int64_t size) {
        get3DoneFile(sender, name, size);
    };
    get3.OnError = [this](THTTPGet& sender) { get3Error(sender); };
    exitProgram = [](int code) { std::exit(code); };
}

bool UpdateCheck::Running() const {
    return Get2.Busy() || Get2Sig.Busy() || get1.Busy() || get3.Busy();
}

std::string UpdateCheck::Url(std::string_view path) const {
    return settings_.server + std::string(path);
}

void UpdateCheck::Button22Click() {
    // One check at a time: a click while the version file or its signature is on its way, or
    // while the database downloads, does nothing.
    if (Get2.Busy() || Get2Sig.Busy() || get1.Busy()) return;
    Get2.URL = Url(kVersionFilePath);
    Get2.GetString();
}

void UpdateCheck::Get2DoneString(THTTPGet&, const std::string& reply) {
    reply_ = reply;
    Get2Sig.URL = Url(kSignaturePath);
    Get2Sig.GetString();
}

void UpdateCheck::Get2SigDoneString(THTTPGet& sender, const std::string& signature) {
    const std::string reply = std::move(reply_);
    reply_.clear();
    if (!VerifySignature(reply, signature, settings_.keys)) {
        Get2Error(sender);
        return;
    }
    CheckVersionReply(reply);
}

void UpdateCheck::CheckVersionReply(const std::string& reply) {
    if (foundation::ExtractField(reply, 0) != "swupd") return;
    const std::string published = foundation::ExtractField(reply, 1);
    const std::string build = foundation::ExtractField(reply, 2);
    databaseSha256_ = foundation::ExtractField(reply, 3);
    installerSha256_ = foundation::ExtractField(reply, 4);
    std::string dataFolder;
    try {
        dataFolder = foundation::GetDataFolder();
    } catch (const foundation::IoError&) {
        ui_.Tell(kCheckFailed, "Error", MessageIcon::Error);
        return;
    }

    const std::string installed = database_.VersionLine();
    if (!published.empty() && installed.find(published) != std::string::npos) {
        updateState_ = 1;
        if (build != kProgramBuild) {
            panel10Visible.Set(true);
            get3.URL = Url(kInstallerPath);
            get3.FileName = dataFolder + std::string(kInstallerFile);
            get3.GetFile();
            return;
        }
        ui_.Tell(kAlreadyUpgraded, "Information", MessageIcon::Information);
        return;
    }
    // An out-of-date database is always brought up to date first.
    button22Enabled.Set(false);
    panel10Visible.Set(true);
    get1.URL = Url(kDatabasePath);
    get1.FileName = dataFolder + std::string(kDownloadedDatabase);
    get1.GetFile();
}

void UpdateCheck::get1DoneFile(THTTPGet& sender, const std::string& fileName, int64_t) {
    // The component wrote where it was told: data folder + "filess.dat".
    const std::string dataFolder = foundation::FolderPart(fileName);
    const std::string downloaded = dataFolder + std::string(kDownloadedDatabase);
    const std::string target = dataFolder + std::string(kDatabaseFile);

    // The download replaces the working database only when it is the published file and it
    // loads; the database it replaces stays beside it.
    const std::optional<std::string> bytes = platform::ReadWholeFile(downloaded);
    bool ok = bytes && !databaseSha256_.empty() && Sha256Hex(*bytes) == databaseSha256_ &&
              IsUsableDatabase(*bytes);
    if (ok) {
        if (const std::optional<std::string> previous = platform::ReadWholeFile(target))
            ok = platform::WriteFileAtomic(dataFolder + std::string(kPreviousDatabase), *previous);
    }
    if (ok) ok = platform::WriteFileAtomic(target, *bytes);
    platform::DeleteDataFile(downloaded);
    if (!ok) {
        get1Error(sender);
        return;
    }

    try {
        database_.Load(target);
    } catch (const std::exception&) {
        // Checked above, so not expected; the database that loaded before goes back in place.
        if (const auto previous =
                platform::ReadWholeFile(dataFolder + std::string(kPreviousDatabase)))
            platform::WriteFileAtomic(target, *previous);
        get1Error(sender);
        return;
    }
    label6.Set(database_.VersionLine());
    panel10Visible.Set(false);
    ui_.Tell(kDatabaseUpdated, foundation::kAppTitle, MessageIcon::Information);
    button22Enabled.Set(true);
    updateState_ = 1;
}

void UpdateCheck::get3DoneFile(THTTPGet& sender, const std::string& fileName, int64_t) {
    const std::string& installer = fileName;
    const std::optional<std::string> bytes = platform::ReadWholeFile(installer);
    if (!bytes || installerSha256_.empty() || Sha256Hex(*bytes) != installerSha256_) {
        // Not the published installer: it is never started, nor left for anyone to start.
        platform::DeleteDataFile(installer);
        get3Error(sender);
        return;
    }
    ui_.OpenDocument(installer);
    // The installer gets a moment to start before this program goes; the window stays live.
    const auto until = std::chrono::steady_clock::now() + installerWait;
    while (std::chrono::steady_clock::now() < until) {
        ui_.PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    exitProgram(1);
}

void UpdateCheck::Get2Error(THTTPGet&) {
    reply_.clear();
    ui_.Tell(kCheckFailed, "Error", MessageIcon::Error);
    panel10Visible.Set(false);
}

void UpdateCheck::get1Error(THTTPGet&) {
    ui_.Tell(kDatabaseFailed, "Error", MessageIcon::Error);
    panel10Visible.Set(false);
    button22Enabled.Set(true);
    label6.Set(database_.VersionLine());
    updateState_ = 3;
}

void UpdateCheck::get3Error(THTTPGet&) {
    updateState_ = 3;
    ui_.Tell(kConnectionError, "Connection error", MessageIcon::Error);
}

void UpdateCheck::Progress(THTTPGetThread&, int64_t totalSize, int64_t readed) {
    up1Max.Set(totalSize);
    up1Position.Set(readed);
}

}  // namespace scourwell::update
