#include "app/qt_ui_port.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <exception>

#include "platform/shell.h"

namespace scourwell::app {
namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

OpenDocumentHook& OpenHook() {
    static OpenDocumentHook hook;
    return hook;
}

QMessageBox::Icon ToQtIcon(foundation::MessageIcon icon) {
    switch (icon) {
        case foundation::MessageIcon::Information:
            return QMessageBox::Information;
        case foundation::MessageIcon::Question:
            return QMessageBox::Question;
        case foundation::MessageIcon::Warning:
            return QMessageBox::Warning;
        case foundation::MessageIcon::Error:
            return QMessageBox::Critical;
        case foundation::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

void SetOpenDocumentHook(OpenDocumentHook hook) {
    OpenHook() = std::move(hook);
}

QString MessageText(std::string_view text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

bool ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption,
                    foundation::MessageIcon icon, bool yesNo) {
    MessageBoxRequest request{
        MessageText(text),
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), icon, yesNo};
    if (Hook()) return Hook()(request);

    QMessageBox box(ToQtIcon(icon), request.caption, request.text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    if (yesNo) box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

namespace {
int runningHandlers = 0;
}  // namespace

int RunningHandlers() { return runningHandlers; }

void RunReportingErrors(QWidget* parent, const std::function<void()>& action) {
    struct Depth {
        Depth() { ++runningHandlers; }
        ~Depth() { --runningHandlers; }
    } depth;
    try {
        action();
    } catch (const std::exception& error) {
        ShowMessageBox(parent, error.what(), foundation::kAppTitle, foundation::MessageIcon::Error,
                       false);
    }
}

void QtUiPort::PumpEvents() {
    QCoreApplication::processEvents();
    if (statusLine_ && statusLine_->Revision() != shownRevision_) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastStatusSync_ >= kStatusInterval) {
            lastStatusSync_ = now;
            SyncStatusLine();
        }
    }
}

bool QtUiPort::AskYesNo(std::string_view text, std::string_view caption) {
    return ShowMessageBox(parent_, text, caption, foundation::MessageIcon::Question, true);
}

void QtUiPort::Tell(std::string_view text, std::string_view caption, foundation::MessageIcon icon) {
    ShowMessageBox(parent_, text, caption, icon, false);
}

void QtUiPort::OpenDocument(std::string_view windowsPath) {
    if (OpenHook()) {
        OpenHook()(std::string(windowsPath));
        return;
    }
    platform::ShellOpen(windowsPath);
}

void QtUiPort::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

std::chrono::system_clock::time_point QtUiPort::Now() {
    return std::chrono::system_clock::now();
}

void QtUiPort::BindStatusLine(const foundation::StatusLine* line,
                              std::function<void(const std::string&)> show) {
    statusLine_ = line;
    showStatus_ = std::move(show);
    shownRevision_ = ~uint64_t{0};
    SyncStatusLine();
}

void QtUiPort::SyncStatusLine() {
    if (!statusLine_ || !showStatus_ || statusLine_->Revision() == shownRevision_) return;
    shownRevision_ = statusLine_->Revision();
    showStatus_(statusLine_->Text());
}

}  // namespace scourwell::app
