// The download component against a static HTTP server on the loopback interface: text and
// file targets, parts, replies without a length, failures, abort and starts while busy.

#include "update/http_get.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scripted_ui.h"
#include "tests/support/static_http_server.h"
#include "tests/support/test_machine.h"

namespace scourwell::update {
namespace {

using testing::ScriptedUi;
using testing::StaticHttpServer;
using testing::TestMachine;

const std::string kTarget = std::string(TestMachine::kDataFolder) + "download.bin";

// Bytes that show where a part was cut from.
std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

struct Events {
    std::vector<std::pair<int64_t, int64_t>> progress;
    int doneFile = 0;
    int doneString = 0;
    int errors = 0;
    std::string fileName;
    int64_t fileSize = -1;
    std::string text;
    int Completions() const { return doneFile + doneString + errors; }
};

class HttpGetTest : public ::testing::Test {
  protected:
    HttpGetTest() : server(machine.Root() + "/www") {
        std::filesystem::create_directories(machine.Root() + "/www");
        machine.MakeDirectory(TestMachine::kDataFolder);
    }

    void Serve(const std::string& path, const std::string& bytes) {
        const std::string host = machine.Root() + "/www" + path;
        std::filesystem::create_directories(std::filesystem::path(host).parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }
    std::string Url(const std::string& path) const {
        return "http://" + server.HostAndPort() + path;
    }

    std::unique_ptr<THTTPGet> Component(Events& events) {
        auto get = std::make_unique<THTTPGet>(ui);
        get->OnProgress = [&events](THTTPGetThread&, int64_t total, int64_t readed) {
            events.progress.emplace_back(total, readed);
        };
        get->OnDoneFile = [&events](THTTPGet&, const std::string& name, int64_t size) {
            ++events.doneFile;
            events.fileName = name;
            events.fileSize = size;
        };
        get->OnDoneString = [&events](THTTPGet&, const std::string& text) {
            ++events.doneString;
            events.text = text;
        };
        get->OnError = [&events](THTTPGet&) { ++events.errors; };
        return get;
    }

    // Serves the port until `done` holds (or ten seconds passed).
    template <typename F>
    bool PumpUntil(F done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            ui.PumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Waits for the component to end and then a moment more, so a second event would show.
    void Finish(THTTPGet& get) {
        ASSERT_TRUE(PumpUntil([&] { return !get.Busy(); }));
        for (int i = 0; i < 20; ++i) {
            ui.PumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    TestMachine machine;
    ScriptedUi ui;
    StaticHttpServer server;
};

TEST(SplitUrlTest, SchemeHostPortAndPath) {
    struct Case {
        const char* url;
        bool ok;
        bool secure;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"http://update.example/updr2/swupd.txt", true, false, "update.example", 80,
         "/updr2/swupd.txt"},
        {"HTTP://Update.Example/a", true, false, "Update.Example", 80, "/a"},
        {"update.example/updr2/files2.htm", true, false, "update.example", 80, "/updr2/files2.htm"},
        {"127.0.0.1:8080/updr2/swupd.txt", true, false, "127.0.0.1", 8080, "/updr2/swupd.txt"},
        {"http://localhost:65535/", true, false, "localhost", 65535, "/"},
        {"https://update.example/x", true, true, "update.example", 443, "/x"},
        {"https://update.example:8443/x", true, true, "update.example", 8443, "/x"},
        {"http://update.example", false, false, "", 0, ""},  // no "/" after the host: no host
        {"update.example", false, false, "", 0, ""},
        {"http:///path", false, false, "", 0, ""},  // empty host
        {"host:0/p", false, false, "", 0, ""},
        {"host:65536/p", false, false, "", 0, ""},
        {"host:80x/p", false, false, "", 0, ""},
        {"host:/p", false, false, "", 0, ""},
        {"user@host/p", false, false, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto request = SplitUrl(c.url);
        ASSERT_EQ(request.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(request->secure, c.secure);
        EXPECT_EQ(request->host, c.host);
        EXPECT_EQ(request->port, c.port);
        EXPECT_EQ(request->path, c.path);
    }
}

TEST_F(HttpGetTest, PropertiesHaveTheirDefaults) {
    THTTPGet get(ui);
    EXPECT_EQ(get.AcceptTypes, "*/*");
    EXPECT_EQ(get.Agent, "Vantoric HTTPGet");
    EXPECT_FALSE(get.BinaryData);
    EXPECT_EQ(get.URL, "");
    EXPECT_FALSE(get.UseCache);
    EXPECT_EQ(get.FileName, "");
    EXPECT_EQ(get.UserName, "");
    EXPECT_EQ(get.Password, "");
    EXPECT_EQ(get.PostQuery, "");
    EXPECT_EQ(get.Referer, "");
    EXPECT_EQ(get.PosIndex, 0);
    EXPECT_FALSE(get.WaitThread);
    EXPECT_FALSE(get.OnProgress || get.OnDoneFile || get.OnDoneString || get.OnError);
    EXPECT_FALSE(get.Busy());
}

TEST_F(HttpGetTest, FileDownloadReportsEveryBlockAndWritesTheFile) {
    const std::string body = Pattern(3 * kHttpBlockSize + 100);
    Serve("/updr2/files2.htm", body);
    Events events;
    auto get = Component(events);
    get->URL = server.HostAndPort() + "/updr2/files2.htm";  // without "http://"
    get->FileName = kTarget;
    get->GetFile();
    EXPECT_TRUE(get->Busy());
    Finish(*get);

    EXPECT_EQ(events.doneFile, 1);
    EXPECT_EQ(events.Completions(), 1);
    EXPECT_TRUE(get->LastResult());
    EXPECT_EQ(events.fileName, kTarget);
    EXPECT_EQ(events.fileSize, static_cast<int64_t>(body.size()));
    EXPECT_EQ(machine.ReadFile(kTarget), body);
    // Nothing but the file itself in its folder: no leftover of the write beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(machine.Host(TestMachine::kDataFolder)))
        ++entries;
    EXPECT_EQ(entries, 1);

    const int64_t total = static_cast<int64_t>(body.size());
    const std::vector<std::pair<int64_t, int64_t>> expected = {
        {total, 4097}, {total, 8194}, {total, 12291}, {total, total}};
    EXPECT_EQ(events.progress, expected);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /updr2/files2.htm HTTP/1.0"});
}

TEST_F(HttpGetTest, PartsOneToThreeAddUpToTheWhole) {
    const std::string body = Pattern(10'000);
    Serve("/big.bin", body);
    std::string joined;
    const int64_t sizes[] = {3333, 3333, 3334};
    for (int part = 1; part <= 3; ++part) {
        SCOPED_TRACE(part);
        Events events;
        auto get = Component(events);
        get->URL = Url("/big.bin");
        get->PosIndex = part;
        get->GetString();
        Finish(*get);
        ASSERT_EQ(events.doneString, 1);
        EXPECT_EQ(static_cast<int64_t>(events.text.size()), sizes[part - 1]);
        // The last progress reports the part as the whole.
        ASSERT_FALSE(events.progress.empty());
        EXPECT_EQ(events.progress.back(), std::make_pair(sizes[part - 1], sizes[part - 1]));
        joined += events.text;
    }
    EXPECT_EQ(joined, body);

    // A file part is the same bytes in a file.
    Events events;
    auto get = Component(events);
    get->URL = Url("/big.bin");
    get->PosIndex = 2;
    get->FileName = kTarget;
    get->GetFile();
    Finish(*get);
    ASSERT_EQ(events.doneFile, 1);
    EXPECT_EQ(events.fileSize, 3333);
    EXPECT_EQ(machine.ReadFile(kTarget), body.substr(3333, 3333));
}

TEST_F(HttpGetTest, ReplyWithoutContentLength) {
    server.omitLength = true;
    struct Case {
        const char* name;
        bool toFile;
        bool binaryData;
        std::string body;
        bool succeeds;
    };
    const Case cases[] = {
        // A file needs the length to know it is whole; a text takes what came.
        {"file", true, false, "some bytes", false},
        {"file, empty body", true, false, "", true},
        {"file, BinaryData", true, true, "some bytes", false},
        {"text", false, false, "some text", true},
        {"text, BinaryData", false, true, "some text", false},
        {"text, empty body", false, false, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Serve("/nolength", c.body);
        std::filesystem::remove(machine.Host(kTarget));
        Events events;
        auto get = Component(events);
        get->URL = Url("/nolength");
        get->BinaryData = c.binaryData;
        get->FileName = kTarget;
        if (c.toFile)
            get->GetFile();
        else
            get->GetString();
        Finish(*get);
        EXPECT_EQ(events.Completions(), 1);
        EXPECT_EQ(events.errors, c.succeeds ? 0 : 1);
        EXPECT_EQ(get->LastResult(), c.succeeds);
        if (c.succeeds && !c.toFile) {
            EXPECT_EQ(events.text, c.body);
        }
        // A failed file download leaves nothing; a text download never writes one.
        EXPECT_EQ(machine.Exists(kTarget), c.succeeds && c.toFile);
    }
}

TEST_F(HttpGetTest, FailuresEndWithOneError) {
    Serve("/empty.txt", "");
    const std::string unreachable = "127.0.0.1:" + std::to_string(StaticHttpServer::UnusedPort());
    struct Case {
        const char* name;
        std::string url;
        bool toFile;
    };
    const Case cases[] = {
        {"empty text", Url("/empty.txt"), false},
        {"missing resource", Url("/missing.txt"), false},
        {"missing file", Url("/missing.bin"), true},
        {"unreachable host", "http://" + unreachable + "/updr2/swupd.txt", false},
        {"no path", "http://" + server.HostAndPort(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events events;
        auto get = Component(events);
        get->URL = c.url;
        get->FileName = kTarget;
        if (c.toFile)
            get->GetFile();
        else
            get->GetString();
        Finish(*get);
        EXPECT_EQ(events.errors, 1);
        EXPECT_EQ(events.Completions(), 1);
        EXPECT_FALSE(get->LastResult());
        EXPECT_FALSE(machine.Exists(kTarget));
    }
}

TEST_F(HttpGetTest, AbortMidDownloadFiresOneErrorAndKeepsTheOldFile) {
    Serve("/big.bin", Pattern(1'000'000));
    machine.WriteFile(kTarget, "the file before");
    server.stallAfter = 100'000;
    Events events;
    auto get = Component(events);
    get->URL = Url("/big.bin");
    get->FileName = kTarget;
    get->GetFile();
    ASSERT_TRUE(PumpUntil([&] { return !events.progress.empty(); }));
    get->Abort();
    Finish(*get);
    EXPECT_EQ(events.errors, 1);
    EXPECT_EQ(events.Completions(), 1);
    EXPECT_FALSE(get->Busy());
    EXPECT_FALSE(get->LastResult());
    EXPECT_EQ(machine.ReadFile(kTarget), "the file before");

    // The component is idle: the next download runs.
    server.stallAfter = -1;
    get->GetFile();
    Finish(*get);
    EXPECT_EQ(events.doneFile, 1);
    EXPECT_EQ(machine.ReadFile(kTarget), Pattern(1'000'000));
}

TEST_F(HttpGetTest, StartWhileBusyIsIgnored) {
    Serve("/big.bin", Pattern(200'000));
    Serve("/other.bin", "other");
    server.stallAfter = 50'000;
    Events events;
    auto get = Component(events);
    get->URL = Url("/big.bin");
    get->FileName = kTarget;
    get->GetFile();
    ASSERT_TRUE(PumpUntil([&] { return !events.progress.empty(); }));
    get->URL = Url("/other.bin");
    get->GetFile();
    get->GetString();
    server.Release();
    Finish(*get);
    EXPECT_EQ(events.doneFile, 1);
    EXPECT_EQ(events.Completions(), 1);
    EXPECT_EQ(machine.ReadFile(kTarget), Pattern(200'000));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"GET /big.bin HTTP/1.0"});
}

TEST_F(HttpGetTest, CompletionHandlerMayStartTheNextDownload) {
    Serve("/first.txt", "first");
    Serve("/second.txt", "second");
    THTTPGet get(ui);
    std::vector<std::string> texts;
    get.OnDoneString = [&](THTTPGet& sender, const std::string& text) {
        texts.push_back(text);
        if (texts.size() == 1) {
            EXPECT_FALSE(sender.Busy());
            sender.URL = Url("/second.txt");
            sender.GetString();
            EXPECT_TRUE(sender.Busy());
        }
    };
    get.URL = Url("/first.txt");
    get.GetString();
    ASSERT_TRUE(PumpUntil([&] { return texts.size() == 2 && !get.Busy(); }));
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "second"}));
}

TEST_F(HttpGetTest, WaitThreadServesTheWindowUntilTheFileIsThere) {
    Serve("/file.bin", Pattern(50'000));
    Events events;
    auto get = Component(events);
    get->URL = Url("/file.bin");
    get->FileName = kTarget;
    get->WaitThread = true;
    get->GetFile();
    EXPECT_FALSE(get->Busy());
    EXPECT_EQ(events.doneFile, 1);
    EXPECT_GT(ui.pumps, 0);
    EXPECT_EQ(machine.ReadFile(kTarget), Pattern(50'000));
}

TEST_F(HttpGetTest, DestructionAbortsWithoutAnyEvent) {
    Serve("/big.bin", Pattern(500'000));
    server.stallAfter = 10'000;
    Events events;
    auto get = Component(events);
    get->URL = Url("/big.bin");
    get->FileName = kTarget;
    get->GetFile();
    ASSERT_TRUE(PumpUntil([&] { return !events.progress.empty(); }));
    get.reset();
    const size_t progressSeen = events.progress.size();
    for (int i = 0; i < 50; ++i) {
        ui.PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(events.Completions(), 0);
    EXPECT_EQ(events.progress.size(), progressSeen);
    EXPECT_FALSE(machine.Exists(kTarget));
}

}  // namespace
}  // namespace scourwell::update
