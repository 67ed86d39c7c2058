// "Check for updates" on the main window against a static HTTP server on the loopback
// interface, the server and key chosen the way a deployment chooses them (environment).

#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "app/main_window.h"
#include "app/program.h"
#include "tests/app/app_fixture.h"
#include "tests/support/static_http_server.h"
#include "tests/support/test_machine.h"
#include "tests/support/test_signing_key.h"
#include "update/publish.h"
#include "update/update_check.h"
#include "update/update_settings.h"

using scourwell::app::MainWindow;
using scourwell::app::Program;
using scourwell::apptest::Find;
using scourwell::apptest::LabelText;
using scourwell::apptest::MessageBoxRecorder;
using scourwell::apptest::ShipDatabase;
using scourwell::testing::StaticHttpServer;
using scourwell::testing::TestMachine;
namespace update = scourwell::update;

namespace {

const std::string kData = TestMachine::kDataFolder;
const std::string kNewVersion = "Scourwell database 2026-12-24 (window test)";
const std::string kNewText = kNewVersion + "\r\n[Start]\r\n[Test.New]:brand_new.exe\r\n_end\r\n";

// A loopback server over a folder of published files, named to the program through the
// deployment's environment variables for the life of the object.
class PublishedServer {
  public:
    explicit PublishedServer(TestMachine& machine)
        : root_(machine.Root() + "/www"),
          key_(scourwell::testing::MakeTestSigningKey()),
          server_((std::filesystem::create_directories(machine.Root() + "/www"), root_)) {
        const std::string keyFile = machine.Root() + "/deployment-test-key.pem";
        std::ofstream(keyFile) << key_.privatePem;
        setenv(update::kUpdateServerVariable, ("http://" + server_.HostAndPort()).c_str(), 1);
        setenv(update::kUpdateKeyVariable, keyFile.c_str(), 1);
    }
    ~PublishedServer() {
        unsetenv(update::kUpdateServerVariable);
        unsetenv(update::kUpdateKeyVariable);
    }

    void Publish(const std::string& text, std::optional<std::string> installer,
                 const std::string& build) {
        std::string error;
        const auto publication =
            update::BuildPublication(text, installer, build, key_.privatePem, error);
        QVERIFY2(publication, error.c_str());
        Serve("/updr2/swupd.txt", publication->versionFile);
        Serve("/updr2/swupd.txt.sig", publication->signature);
        Serve("/updr2/files2.htm", publication->database);
        if (publication->installer)
            Serve("/downloads/scourwell_setup.exe", *publication->installer);
    }
    StaticHttpServer& Server() { return server_; }

  private:
    void Serve(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(root_ + path).parent_path());
        std::ofstream(root_ + path, std::ios::binary) << bytes;
    }

    std::string root_;
    scourwell::testing::TestSigningKey key_;
    StaticHttpServer server_;
};

std::string InstalledText() {
    return scourwell::apptest::ReadHostFile(std::string(SCOURWELL_SOURCE_DIR) + "/data/files.txt");
}

bool Shown(const MessageBoxRecorder& boxes, const char* text) {
    for (const auto& box : boxes.boxes)
        if (box.text == QString::fromLatin1(text)) return true;
    return false;
}

}  // namespace

class UpdateWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void checkForUpdatesInstallsTheNewDatabase();
    void newBuildStartsTheInstallerAndEnds();
    void largeDownloadMovesTheBarWhileTheWindowAnswers();
};

void UpdateWindowTest::checkForUpdatesInstallsTheNewDatabase() {
    TestMachine machine;
    ShipDatabase(machine);
    PublishedServer published(machine);
    published.Publish(kNewText, std::nullopt, std::string(update::kProgramBuild));
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.show();
    const std::string before = machine.ReadFile(kData + "files.dat");

    auto* button22 = Find<QPushButton>(&window, "Button22");
    QVERIFY(!Find<QWidget>(&window, "Panel10")->isVisible());
    QTest::mouseClick(button22, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Shown(boxes, "Database updated!"), 20000);
    QCOMPARE(boxes.boxes.size(), size_t{1});
    QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Scourwell"));

    QCOMPARE(LabelText(&window, "Label6"), QString::fromStdString(kNewVersion));
    QVERIFY(!Find<QWidget>(&window, "Panel10")->isVisible());
    QVERIFY(button22->isEnabled());
    QCOMPARE(program.update.UpdateState(), 1);
    QCOMPARE(machine.ReadFile(kData + "files.dat.previous"), before);
    QVERIFY(!machine.Exists(kData + "filess.dat"));
    // The program's database, which the scans read, is the new one.
    QCOMPARE(program.database.VersionLine(), kNewVersion);
    QVERIFY(program.database.Text().find("[Test.New]:brand_new.exe") != std::string::npos);

    // A second check finds it current.
    QTest::mouseClick(button22, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Shown(boxes, "Your version is already upgraded!"), 20000);
}

void UpdateWindowTest::newBuildStartsTheInstallerAndEnds() {
    TestMachine machine;
    ShipDatabase(machine);
    PublishedServer published(machine);
    const std::string installer = "setup program of build 1.1.2027";
    published.Publish(InstalledText(), installer, "Scourwell (Build: 1.1.2027)");
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.show();
    std::optional<int> exitCode;
    program.update.installerWait = std::chrono::milliseconds(0);
    program.update.exitProgram = [&](int code) { exitCode = code; };

    QTest::mouseClick(Find<QPushButton>(&window, "Button22"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(exitCode.has_value(), 20000);
    QCOMPARE(*exitCode, 1);
    QCOMPARE(boxes.openedDocuments, std::vector<std::string>{kData + "scourwell_setup.exe"});
    QCOMPARE(machine.ReadFile(kData + "scourwell_setup.exe"), installer);
    QVERIFY(boxes.boxes.empty());
}

void UpdateWindowTest::largeDownloadMovesTheBarWhileTheWindowAnswers() {
    TestMachine machine;
    ShipDatabase(machine);
    PublishedServer published(machine);
    std::string installer(20 * 1024 * 1024, '\0');
    for (size_t i = 0; i < installer.size(); ++i)
        installer[i] = static_cast<char>(i * 131 + (i >> 12));
    published.Publish(InstalledText(), installer, "Scourwell (Build: 1.1.2027)");
    // The server holds the reply at the middle until the test has seen the window at work.
    published.Server().stallAfter = static_cast<int64_t>(installer.size() / 2);
    MessageBoxRecorder boxes;
    Program program;
    MainWindow window(program);
    window.show();
    std::optional<int> exitCode;
    program.update.installerWait = std::chrono::milliseconds(0);
    program.update.exitProgram = [&](int code) { exitCode = code; };

    auto* up1 = Find<QProgressBar>(&window, "up1");
    auto* panel10 = Find<QWidget>(&window, "Panel10");
    std::set<int> positions;
    int ticks = 0;
    QTimer sampler;
    sampler.setInterval(1);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++ticks;
        if (panel10->isVisible()) positions.insert(up1->value());
    });
    sampler.start();

    QTest::mouseClick(Find<QPushButton>(&window, "Button22"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(up1->value() >= static_cast<int>(installer.size() / 2) - 4097, 20000);
    QVERIFY(panel10->isVisible());
    QCOMPARE(up1->maximum(), static_cast<int>(installer.size()));
    QVERIFY(up1->value() < up1->maximum());
    // Stalled mid-way: the window still serves its events.
    const int ticksBefore = ticks;
    QTest::qWait(100);
    QVERIFY(ticks > ticksBefore);
    QVERIFY(!exitCode.has_value());

    published.Server().Release();
    QTRY_VERIFY_WITH_TIMEOUT(exitCode.has_value(), 20000);
    sampler.stop();
    QCOMPARE(machine.ReadFile(kData + "scourwell_setup.exe").size(), installer.size());
    // The bar went through many positions between empty and full.
    int between = 0;
    for (int position : positions)
        if (position > 0 && position < static_cast<int>(installer.size())) ++between;
    QVERIFY2(between >= 3, qPrintable(QString::number(between)));
}

QTEST_MAIN(UpdateWindowTest)
#include "update_window_test.moc"
