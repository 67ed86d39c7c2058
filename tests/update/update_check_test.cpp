// The update check against a static HTTP server on the loopback interface that serves what
// the publisher built: version check, database download and installer download, with the
// signature and checksums that make them trustworthy.

#include "update/update_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scripted_ui.h"
#include "tests/support/static_http_server.h"
#include "tests/support/test_machine.h"
#include "tests/support/test_signing_key.h"
#include "update/publish.h"

namespace scourwell::update {
namespace {

using foundation::MessageIcon;
using testing::ScriptedUi;
using testing::StaticHttpServer;
using testing::TestMachine;

const std::string kData = TestMachine::kDataFolder;
const std::string kInstalledText =
    "Scourwell database 2026-11-01 (v1100)\r\n[Start]\r\n[Old.A]:old.exe\r\n_end\r\n";
const std::string kNewText =
    "Scourwell database 2026-12-01 "
    "(v1200)\r\n[Start]\r\n[New.A]:new_a.exe\r\n[New.B]:new_b.exe\r\n_end\r\n";
const std::string kInstalledVersion = "Scourwell database 2026-11-01 (v1100)";
const std::string kNewVersion = "Scourwell database 2026-12-01 (v1200)";

const testing::TestSigningKey& Key() {
    static const testing::TestSigningKey key = testing::MakeTestSigningKey();
    return key;
}

std::string Stored(const std::string& text) {
    const auto packed = database::PackDatabaseText(text);
    return std::string(packed.begin(), packed.end());
}

class UpdateCheckTest : public ::testing::Test {
  protected:
    UpdateCheckTest() : server(machine.Root() + "/www") {
        std::filesystem::create_directories(machine.Root() + "/www");
        machine.WriteFile(kData + "files.dat", Stored(kInstalledText));
        database.Load(kData + "files.dat");
        check.emplace(ui, database,
                      UpdateSettings{"http://" + server.HostAndPort(), {Key().publicKey}});
        check->installerWait = std::chrono::milliseconds(0);
        check->exitProgram = [this](int code) { exitCode = code; };
    }

    void Serve(const std::string& path, const std::string& bytes) {
        const std::string host = machine.Root() + "/www" + path;
        std::filesystem::create_directories(std::filesystem::path(host).parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }
    void Unserve(const std::string& path) {
        std::filesystem::remove(machine.Root() + "/www" + path);
    }

    // What the publisher writes for `text`, signed with the test key.
    void Publish(const std::string& text, std::optional<std::string> installer = std::nullopt,
                 const std::string& build = std::string(kProgramBuild)) {
        std::string error;
        const auto publication = BuildPublication(text, installer, build, Key().privatePem, error);
        ASSERT_TRUE(publication) << error;
        Serve("/updr2/swupd.txt", publication->versionFile);
        Serve("/updr2/swupd.txt.sig", publication->signature);
        Serve("/updr2/files2.htm", publication->database);
        if (publication->installer)
            Serve("/downloads/scourwell_setup.exe", *publication->installer);
    }
    // A version file of our own making, signed with the test key.
    void PublishVersionFile(const std::string& versionFile) {
        Serve("/updr2/swupd.txt", versionFile);
        Serve("/updr2/swupd.txt.sig", *SignMessage(versionFile, Key().privatePem));
    }

    // Clicks "Check for updates" and serves the port until everything it started has ended.
    void CheckForUpdates() {
        check->Button22Click();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (check->Running() && std::chrono::steady_clock::now() < until) {
            ui.PumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(check->Running());
        for (int i = 0; i < 10; ++i) ui.PumpEvents();
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages) texts.push_back(message.text);
        return texts;
    }
    bool Requested(const std::string& path) const {
        for (const auto& line : server.Requests())
            if (line.find(" " + path + " ") != std::string::npos) return true;
        return false;
    }
    void ExpectDatabaseUnchanged() {
        EXPECT_EQ(machine.ReadFile(kData + "files.dat"), Stored(kInstalledText));
        EXPECT_FALSE(machine.Exists(kData + "filess.dat"));
        EXPECT_FALSE(machine.Exists(kData + "files.dat.previous"));
        EXPECT_EQ(database.VersionLine(), kInstalledVersion);
    }

    TestMachine machine;
    ScriptedUi ui;
    StaticHttpServer server;
    database::SignatureDatabase database;
    std::optional<UpdateCheck> check;
    std::optional<int> exitCode;
};

TEST_F(UpdateCheckTest, CurrentDatabaseAndBuildSayAlreadyUpgraded) {
    Publish(kInstalledText);
    CheckForUpdates();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kAlreadyUpgraded);
    EXPECT_EQ(ui.messages[0].caption, "Information");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(check->UpdateState(), 1);
    EXPECT_FALSE(check->panel10Visible.Get());
    EXPECT_FALSE(Requested("/updr2/files2.htm"));
    EXPECT_FALSE(Requested("/downloads/scourwell_setup.exe"));
    ExpectDatabaseUnchanged();
    // The requests carry the update's agent and go to the three paths only.
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /updr2/swupd.txt HTTP/1.0",
                                                           "GET /updr2/swupd.txt.sig HTTP/1.0"}));
}

TEST_F(UpdateCheckTest, PublishedVersionContainedInTheVersionLineCountsAsCurrent) {
    PublishVersionFile(FormatVersionFile("2026-11-01", kProgramBuild, "", ""));
    CheckForUpdates();
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kAlreadyUpgraded)});
    EXPECT_EQ(check->UpdateState(), 1);
}

TEST_F(UpdateCheckTest, OutOfDateDatabaseIsReplacedAndLoaded) {
    Publish(kNewText);
    std::vector<int64_t> positions;
    check->up1Position.Watch([&](const int64_t& position) { positions.push_back(position); });
    CheckForUpdates();

    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kDatabaseUpdated)});
    EXPECT_EQ(ui.messages[0].caption, "Scourwell");
    EXPECT_EQ(check->UpdateState(), 1);
    EXPECT_EQ(check->label6.Get(), kNewVersion);
    EXPECT_FALSE(check->panel10Visible.Get());
    EXPECT_TRUE(check->button22Enabled.Get());
    EXPECT_EQ(machine.ReadFile(kData + "files.dat"), Stored(kNewText));
    EXPECT_EQ(machine.ReadFile(kData + "files.dat.previous"), Stored(kInstalledText));
    EXPECT_FALSE(machine.Exists(kData + "filess.dat"));
    const int64_t size = static_cast<int64_t>(Stored(kNewText).size());
    EXPECT_EQ(check->up1Max.Get(), size);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), size);

    // The program's one database now holds the new entries: the next scan reads them.
    EXPECT_EQ(database.VersionLine(), kNewVersion);
    std::string folder;
    EXPECT_EQ(database::ReadEntryLine(database, folder), "[New.A]:new_a.exe");
    EXPECT_EQ(database::ReadEntryLine(database, folder), "[New.B]:new_b.exe");

    // Checking again finds it current.
    ui.messages.clear();
    CheckForUpdates();
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kAlreadyUpgraded)});
}

TEST_F(UpdateCheckTest, FailedVersionChecks) {
    const testing::TestSigningKey otherKey = testing::MakeTestSigningKey();
    const std::string reply = FormatVersionFile(kNewVersion, kProgramBuild, "", "");
    struct Case {
        const char* name;
        std::function<void()> setUp;
        bool silent;  // no message at all
    };
    const Case cases[] = {
        {"empty reply", [&] { PublishVersionFile(""); }, false},
        {"missing signature",
         [&] {
             Publish(kNewText);
             Unserve("/updr2/swupd.txt.sig");
         },
         false},
        {"signature by another key",
         [&] {
             Publish(kNewText);
             Serve("/updr2/swupd.txt.sig", *SignMessage(reply, otherKey.privatePem));
         },
         false},
        {"version file changed after signing",
         [&] {
             PublishVersionFile(reply);
             Serve("/updr2/swupd.txt", FormatVersionFile("Evil", kProgramBuild, "", ""));
         },
         false},
        {"signature of the wrong length",
         [&] {
             Publish(kNewText);
             Serve("/updr2/swupd.txt.sig", "xyz");
         },
         false},
        {"no version file", [&] { Unserve("/updr2/swupd.txt"); }, false},
        {"signed reply without the marker",
         [&] { PublishVersionFile("swupx;" + kNewVersion + ";x;"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        c.setUp();
        CheckForUpdates();
        if (c.silent) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            ASSERT_EQ(Texts(), std::vector<std::string>{std::string(kCheckFailed)});
            EXPECT_EQ(ui.messages[0].caption, "Error");
            EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
        }
        EXPECT_EQ(check->UpdateState(), 0);  // a failed check leaves it as it was
        EXPECT_FALSE(check->panel10Visible.Get());
        EXPECT_FALSE(Requested("/updr2/files2.htm"));
        ExpectDatabaseUnchanged();
    }
}

TEST_F(UpdateCheckTest, UnreachableServerIsAFailedCheck) {
    check.emplace(ui, database,
                  UpdateSettings{"127.0.0.1:" + std::to_string(StaticHttpServer::UnusedPort()),
                                 {Key().publicKey}});
    CheckForUpdates();
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kCheckFailed)});
    EXPECT_EQ(check->UpdateState(), 0);
    ExpectDatabaseUnchanged();
}

TEST_F(UpdateCheckTest, FailedDatabaseDownloadsLeaveTheDatabaseAsItWas) {
    // Large enough that a cut after 400 bytes falls in the database, not in the version file.
    std::string bigText = kNewVersion + "\r\n";
    for (int i = 0; i < 100; ++i)
        bigText += "/" + Sha256Hex(std::to_string(i)).substr(0, 32) + "/[Big]::\r\n";
    bigText += "_end\r\n";
    const std::string big = Stored(bigText);
    ASSERT_GT(big.size(), 1000u);
    const std::string good = Stored(kNewText);
    const std::string truncated = good.substr(0, good.size() / 2);
    std::string garbage(good.size(), 'x');
    const std::string noEnd =
        Stored("Scourwell database 2026-12-01 (v1200)\r\n[New.A]:new_a.exe\r\n");
    struct Case {
        const char* name;
        std::string served;        // what "/updr2/files2.htm" holds
        std::string publishedSha;  // what the signed version file says of it
        int64_t cutAfter;          // the reply ends early
    };
    const Case cases[] = {
        {"reply cut short", big, Sha256Hex(big), 400},
        {"wrong SHA-256", Stored(kInstalledText + "x"), Sha256Hex(good), -1},
        {"no SHA-256 published", good, "", -1},
        {"truncated database, its own SHA-256", truncated, Sha256Hex(truncated), -1},
        {"not a database, its own SHA-256", garbage, Sha256Hex(garbage), -1},
        {"empty file, its own SHA-256", "", Sha256Hex(""), -1},
        {"database without _end, its own SHA-256", noEnd, Sha256Hex(noEnd), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        check->label6.Set("something else");
        PublishVersionFile(FormatVersionFile(kNewVersion, kProgramBuild, c.publishedSha, ""));
        Serve("/updr2/files2.htm", c.served);
        server.cutAfter = c.cutAfter;
        CheckForUpdates();
        server.cutAfter = -1;
        ASSERT_EQ(Texts(), std::vector<std::string>{std::string(kDatabaseFailed)});
        EXPECT_EQ(ui.messages[0].caption, "Error");
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
        EXPECT_TRUE(Requested("/updr2/files2.htm"));
        EXPECT_EQ(check->UpdateState(), 3);
        EXPECT_FALSE(check->panel10Visible.Get());
        EXPECT_TRUE(check->button22Enabled.Get());
        EXPECT_EQ(check->label6.Get(), kInstalledVersion);
        ExpectDatabaseUnchanged();
    }
}

TEST_F(UpdateCheckTest, NewBuildDownloadsAndStartsTheInstaller) {
    const std::string installer =
        "#!/bin/sh\necho installer of build 2.2.2026\n" + std::string(50'000, 'i');
    Publish(kInstalledText, installer, "Scourwell (Build: 2.2.2026)");
    CheckForUpdates();
    const std::string path = kData + "scourwell_setup.exe";
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{path});
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(machine.ReadFile(path), installer);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(check->UpdateState(), 1);
    EXPECT_TRUE(check->panel10Visible.Get());
    ExpectDatabaseUnchanged();
}

TEST_F(UpdateCheckTest, InstallerThatIsNotThePublishedOneIsNeverStarted) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"changed on the server",
         [&] {
             Publish(kInstalledText, std::string("real installer"), "Scourwell (Build: 2.2.2026)");
             Serve("/downloads/scourwell_setup.exe", "someone else's program");
         }},
        // Without field 2 the published build is empty, which differs from this build.
        {"reply without a build, no installer published",
         [&] {
             PublishVersionFile("swupd;" + kInstalledVersion + ";");
             Serve("/downloads/scourwell_setup.exe", "anything");
         }},
        {"installer missing",
         [&] {
             Publish(kInstalledText, std::string("real installer"), "Scourwell (Build: 2.2.2026)");
             Unserve("/downloads/scourwell_setup.exe");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        c.setUp();
        CheckForUpdates();
        EXPECT_TRUE(Requested("/downloads/scourwell_setup.exe"));
        EXPECT_TRUE(ui.openedDocuments.empty());
        EXPECT_FALSE(exitCode.has_value());
        EXPECT_FALSE(machine.Exists(kData + "scourwell_setup.exe"));
        EXPECT_EQ(check->UpdateState(), 3);
        ASSERT_EQ(Texts(), std::vector<std::string>{std::string(kConnectionError)});
        EXPECT_EQ(ui.messages[0].caption, "Connection error");
        ExpectDatabaseUnchanged();
    }
}

TEST_F(UpdateCheckTest, SecondClickDuringACheckStartsNothing) {
    Publish(kNewText);
    server.stallAfter = 10;
    check->Button22Click();
    check->Button22Click();
    for (int i = 0; i < 50; ++i) {
        ui.PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    check->Button22Click();
    server.stallAfter = -1;
    server.Release();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (check->Running() && std::chrono::steady_clock::now() < until) {
        ui.PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int versionRequests = 0;
    for (const auto& line : server.Requests())
        if (line == "GET /updr2/swupd.txt HTTP/1.0") ++versionRequests;
    EXPECT_EQ(versionRequests, 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(kDatabaseUpdated)});
}

}  // namespace
}  // namespace scourwell::update
