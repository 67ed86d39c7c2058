#pragma once

// Shared pieces of the window tests: message boxes and pickers answered by the test, and
// helpers to find widgets by their object names.

#include <QLabel>
#include <QString>
#include <QTest>
#include <QWidget>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/pickers.h"
#include "app/qt_ui_port.h"
#include "tests/support/test_machine.h"

namespace scourwell::apptest {

// Records every message box and opened document instead of showing them; questions take the queued
// answers (then `defaultAnswer`).
class MessageBoxRecorder {
  public:
    MessageBoxRecorder() {
        app::SetMessageBoxHook([this](const app::MessageBoxRequest& request) {
            boxes.push_back(request);
            if (!request.yesNo) return false;
            if (answers.empty()) return defaultAnswer;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        });
        app::SetOpenDocumentHook(
            [this](const std::string& windowsPath) { openedDocuments.push_back(windowsPath); });
        app::SetPickerHook([this](const app::PickerRequest& request) {
            pickerRequests.push_back(request);
            return pickerAnswer;
        });
    }
    ~MessageBoxRecorder() {
        app::SetMessageBoxHook(nullptr);
        app::SetOpenDocumentHook(nullptr);
        app::SetPickerHook(nullptr);
    }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<app::MessageBoxRequest> boxes;
    std::deque<bool> answers;
    bool defaultAnswer = true;
    std::vector<std::string> openedDocuments;  // what the shell was asked to open
    std::vector<app::PickerRequest> pickerRequests;
    QString pickerAnswer;  // host path the pickers return (empty: cancelled)
};

template <typename T>
T* Find(QWidget* root, const char* name) {
    T* widget = root->findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no widget named %s", name);
    return widget;
}

inline QString LabelText(QWidget* root, const char* name) {
    return Find<QLabel>(root, name)->text();
}

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Puts the packed database of the build where the program ships it: the program folder of
// the view. The window installs it into the data folder on start.
inline void ShipDatabase(testing::TestMachine& machine) {
    const std::string bytes = ReadHostFile(std::string(SCOURWELL_BIN_DIR) + "/files.dat");
    QVERIFY2(!bytes.empty(), "the build did not pack files.dat");
    machine.WriteFile(std::string(testing::TestMachine::kProgram) + "\\files.dat", bytes);
}

}  // namespace scourwell::apptest
