#include "quarantine/quarantine_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/exclusion_set.h"
#include "quarantine/add_dialog.h"
#include "tests/quarantine/quarantine_fixture.h"

namespace scourwell::quarantine::test {
namespace {

class QuarantinePageTest : public QuarantineTest {
  protected:
    foundation::ExclusionSet excluded;
    AddDialog dialog{context, store, excluded};
    QuarantinePage page{store, dialog};

    void QuarantineTwoFiles() {
        machine.WriteFile("C:\\Temp\\a.exe", "a");
        machine.WriteFile("C:\\Temp\\b.exe", "b");
        ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
        ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
    }
};

TEST_F(QuarantinePageTest, StartUpStateAndCbx1) {
    EXPECT_EQ(kCbx1Items, (std::vector<std::string>{"Quarantined", "Deleted threats"}));
    EXPECT_EQ(page.cbx1.Get(), 0);
    EXPECT_EQ(page.note1.Get(), 0);
    EXPECT_FALSE(page.addFolderEnabled.Get());

    // A non-empty quarantine at start-up: rows listed, buttons still off.
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    page.Button17Click();
    EXPECT_EQ(store.cList1.Count(), 1u);
    EXPECT_FALSE(page.restoreEnabled.Get());
    EXPECT_FALSE(page.clearAllEnabled.Get());

    page.SelectCbx1(1);
    EXPECT_EQ(page.note1.Get(), 1);
    page.SelectCbx1(0);
    EXPECT_TRUE(page.restoreEnabled.Get());
    EXPECT_TRUE(page.clearAllEnabled.Get());

    // Clearing leaves them as they are; only the next page change turns them off.
    ui.QueueAnswers({true});
    page.Button15Click();
    EXPECT_TRUE(page.restoreEnabled.Get());
    page.SelectCbx1(0);  // no change of page, no event
    EXPECT_TRUE(page.restoreEnabled.Get());
    page.SelectCbx1(1);
    EXPECT_FALSE(page.restoreEnabled.Get());
    EXPECT_FALSE(page.clearAllEnabled.Get());
}

TEST_F(QuarantinePageTest, DeletedThreatsViewAndClearList) {
    machine.WriteFile(kDeletedFile, "C:\\Temp\\a.exe;05.12.2026 09:00:00;\r\n");
    store.LoadAtStartup();
    EXPECT_EQ(store.dList1.Columns(), (std::vector<std::string>{"Time", "Object"}));
    EXPECT_FALSE(store.dList1.HasCheckBoxes());

    page.SelectCbx1(1);
    ASSERT_EQ(store.dList1.Count(), 1u);
    EXPECT_EQ(store.dList1.Item(0).caption, "05.12.2026 09:00:00");
    EXPECT_EQ(store.dList1.Item(0).SubItem(kDColObject), "C:\\Temp\\a.exe");

    page.Button19Click();
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(store.dList1.Count(), 0u);
    EXPECT_TRUE(store.deleted.Empty());
    EXPECT_FALSE(machine.Exists(kDeletedFile));
    page.Button19Click();  // a missing "d.list" is fine
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(QuarantinePageTest, ClearAllMessages) {
    QuarantineTwoFiles();
    ui.QueueAnswers({true});
    page.Button15Click();
    EXPECT_EQ(ui.questions,
              std::vector<std::string>{"Do you want to clear all objects from quarantine?"});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Quarantine objects deleted!");
    EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Information);

    // Only registry entries: emptied, but no message.
    AddRegistryEntry("1", "Software\\Run", "Tool", "1\r\nSoftware\\Run\r\nTool\r\nstr\r\nx\r\n");
    ui.QueueAnswers({true});
    page.Button15Click();
    EXPECT_EQ(store.cList1.Count(), 0u);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(QuarantinePageTest, RestoreMessages) {
    QuarantineTwoFiles();
    platform::DeleteDataFile("C:\\Temp\\a.exe");
    platform::DeleteDataFile("C:\\Temp\\b.exe");

    // Nothing marked: nothing restored, no message.
    ui.QueueAnswers({true});
    page.Button16Click();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.exe"));

    store.cList1.SetSelected(0, true);
    ui.QueueAnswers({true});
    page.Button16Click();
    EXPECT_EQ(ui.questions.back(), "Do you want to restore selected objects from quarantine?");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Object(s) restored!");
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.exe"));
    // The view is not rebuilt: the row keeps showing its outcome.
    EXPECT_EQ(store.cList1.Count(), 2u);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Restored");
}

TEST_F(QuarantinePageTest, AnsweringNoChangesNothing) {
    QuarantineTwoFiles();
    platform::DeleteDataFile("C:\\Temp\\a.exe");
    store.cList1.SetChecked(0, true);
    const std::string indexBefore = IndexFileText();

    for (auto click : {&QuarantinePage::Button15Click, &QuarantinePage::Button16Click}) {
        ui.QueueAnswers({false});
        (page.*click)();
    }

    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(IndexFileText(), indexBefore);
    EXPECT_EQ(store.cList1.Count(), 2u);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Quarantined");
    EXPECT_TRUE(machine.Exists(Stored("CTempa.exe")));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.exe"));
    EXPECT_FALSE(machine.Exists(kDeletedFile));
}

TEST_F(QuarantinePageTest, AddButtonsSetTheModeAndShowTheDialog) {
    page.Button14Click();
    EXPECT_TRUE(dialog.visible.Get());
    EXPECT_EQ(dialog.mode.Get(), AddMode::File);
    dialog.Close();
    page.Button13Click();
    EXPECT_TRUE(dialog.visible.Get());
    EXPECT_EQ(dialog.mode.Get(), AddMode::Folder);
}

// --- the Add dialog ------------------------------------------------------------------------

class AddDialogTest : public QuarantinePageTest {};

TEST_F(AddDialogTest, OkIsEnabledOnlyForAnExistingObjectOfTheMode) {
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    struct Case {
        AddMode mode;
        const char* text;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {AddMode::File, "", false},
        {AddMode::File, "C:\\Temp\\a.ex", false},
        {AddMode::File, "C:\\Temp\\a.exe", true},
        {AddMode::File, "c:\\temp\\A.EXE", true},
        {AddMode::File, "C:\\Temp", false},
        {AddMode::Folder, "C:\\Temp", true},
        {AddMode::Folder, "C:\\Temp\\", true},
        {AddMode::Folder, "C:\\Temp\\a.exe", false},
        {AddMode::Folder, "C:\\Nowhere", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        dialog.Show(c.mode);
        dialog.SetEdit1(c.text);
        EXPECT_EQ(dialog.okEnabled.Get(), c.enabled);
    }
    // The text survives a change of mode, and the state follows the new mode.
    dialog.Show(AddMode::File);
    dialog.SetEdit1("C:\\Temp\\a.exe");
    dialog.Show(AddMode::Folder);
    EXPECT_EQ(dialog.edit1.Get(), "C:\\Temp\\a.exe");
    EXPECT_FALSE(dialog.okEnabled.Get());
}

TEST_F(AddDialogTest, NoKeepsTheDialogOpenAndTouchesNothing) {
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    dialog.Show(AddMode::File);
    dialog.SetEdit1("C:\\Temp\\a.exe");
    ui.QueueAnswers({false});
    dialog.xpButton2Click();
    EXPECT_EQ(ui.questions,
              std::vector<std::string>{"Do you want to add selected objects to quarantine?"});
    EXPECT_TRUE(dialog.visible.Get());
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.exe"));
    EXPECT_TRUE(store.index.Empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AddDialogTest, FileModeOutcomes) {
    machine.WriteFile("C:\\Temp\\ok.exe", "ok");
    machine.WriteFile("C:\\Temp\\locked.exe", "locked");
    machine.WriteFile("C:\\Temp\\odd;name.exe", "odd");
    platform::FileLock lock("C:\\Temp\\locked.exe");
    ASSERT_TRUE(lock.IsHeld());
    ui.secondsPerPump = 0.05;

    struct Case {
        std::string path;
        std::string info;
        bool fileStays;
        std::string storedName;  // empty: no copy
    };
    const std::vector<Case> cases = {
        {"C:\\Temp\\ok.exe", "Quarantined and deleted successfully: C:\\Temp\\ok.exe", false,
         "CTempok.exe"},
        {"C:\\Temp\\locked.exe", "Failed to delete file: C:\\Temp\\locked.exe", true,
         "CTemplocked.exe"},
        // No quarantine copy: the file stays and the info text is empty.
        {"C:\\Temp\\odd;name.exe", "", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ui.messages.clear();
        dialog.Show(AddMode::File);
        dialog.SetEdit1(c.path);
        ui.QueueAnswers({true});
        dialog.xpButton2Click();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Objects processed!\r\rInfo:\r" + c.info);
        EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Information);
        EXPECT_FALSE(dialog.visible.Get());
        EXPECT_EQ(machine.Exists(c.path), c.fileStays);
        if (!c.storedName.empty()) {
            EXPECT_TRUE(machine.Exists(Stored(c.storedName)));
        }
    }
    EXPECT_EQ(store.cList1.Count(), 2u);
}

TEST_F(AddDialogTest, FolderModeOutcomes) {
    machine.WriteFile("C:\\Tool\\a.exe", "a");
    machine.WriteFile("C:\\Tool\\sub\\b.dll", "b");
    machine.WriteFile("C:\\Odd\\a.exe", "a");
    machine.WriteFile("C:\\Odd\\x;y.dat", "c");  // no copy, so it must stay
    struct Case {
        std::string path;
        std::string info;
        bool folderStays;
    };
    const std::vector<Case> cases = {
        {"C:\\Tool", "Folder quarantined and deleted successfully: C:\\Tool", false},
        {"C:\\Odd", "Failed to delete folder: C:\\Odd", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ui.messages.clear();
        dialog.Show(AddMode::Folder);
        dialog.SetEdit1(c.path);
        ASSERT_TRUE(dialog.okEnabled.Get());
        ui.QueueAnswers({true});
        dialog.xpButton2Click();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Objects processed!\r\rInfo:\r" + c.info);
        EXPECT_EQ(machine.Exists(c.path), c.folderStays);
    }
    EXPECT_EQ(machine.ReadFile("C:\\Odd\\x;y.dat"), "c");
    EXPECT_FALSE(machine.Exists("C:\\Odd\\a.exe"));
    EXPECT_EQ(machine.ReadFile(Stored("CToolsubb.dll")), "b");
    EXPECT_EQ(store.cList1.Count(), 3u);
}

}  // namespace
}  // namespace scourwell::quarantine::test
