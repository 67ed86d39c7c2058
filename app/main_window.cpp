#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "app/add_window.h"
#include "app/custom_scan_window.h"
#include "app/drive_bars.h"
#include "app/jpeg_image.h"
#include "app/list_view_adapter.h"
#include "app/program.h"
#include "app/qt_ui_port.h"
#include "app/update_box.h"
#include "database/shipped_database.h"
#include "foundation/data_folder.h"
#include "quarantine/clean_up.h"
#include "scan/results_list.h"

namespace scourwell::app {
namespace {

// Colours of the Welcome page (Windows values, blue-green-red).
constexpr uint32_t kPanel11Colour = 14604491;  // DED8CB, blue-grey

constexpr int kMemo1Height = 87;
constexpr int kPanel4Height = 18;

const char* const kStatusPictureFiles[7] = {"img_error.jpg",  "img_warning.jpg", "img_info.jpg",
                                            "img_search.jpg", "img_ok.jpg",      "img_person.jpg",
                                            "img_err.jpg"};
const char* const kStatusPictureNames[7] = {"img_error", "img_warning", "img_info", "img_search",
                                            "img_ok",    "img_person",  "img_err"};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void Colour(QWidget* widget, uint32_t windowsColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, WindowsColour(windowsColour));
    palette.setColor(QPalette::Base, WindowsColour(windowsColour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent = nullptr) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(96);
    return button;
}

QLabel* Label(const QString& text, const char* name = nullptr) {
    auto* label = new QLabel(text);
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

// Keeps a button's enabled state with an observable of the core.
void Bind(QPushButton* button, foundation::Observable<bool>& enabled) {
    button->setEnabled(enabled.Get());
    enabled.Watch([button](const bool& on) { button->setEnabled(on); });
}

// A legend: a small box in the tooltip colour and its caption.
QWidget* NewObjectsLegend(const char* caption) {
    auto* legend = new QWidget;
    auto* layout = new QHBoxLayout(legend);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QFrame;
    box->setFixedSize(16, 16);
    box->setFrameShape(QFrame::Box);
    Colour(box, foundation::kColourInfoBackground);
    layout->addWidget(box);
    layout->addWidget(new QLabel(QString::fromUtf8(caption)));
    layout->addStretch();
    return legend;
}

// The status text of the Welcome page: a label that reports clicks.
class ClickableLabel : public QLabel {
  public:
    using QLabel::QLabel;
    std::function<void()> onClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (onClick && rect().contains(event->position().toPoint())) onClick();
    }
};

}  // namespace

bool FormCanResize(int width, int height) {
    return width >= kMinimumWidth && height >= kMinimumHeight;
}

MainWindow::MainWindow(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Scourwell"));
    QFont font(QStringLiteral("Segoe UI"));
    font.setPointSize(10);
    setFont(font);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(1124, 816);
    program_.ui.SetParentWidget(this);

    for (int i = 0; i < 7; ++i)
        statusPictures_[static_cast<size_t>(i)] =
            QPixmap::fromImage(LoadAsset(QString::fromLatin1(kStatusPictureFiles[i])));

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pc1_ = new QTabWidget;
    pc1_->setObjectName(QStringLiteral("pc1"));
    pc1_->addTab(BuildWelcomePage(), QStringLiteral("Welcome"));
    pc1_->addTab(BuildScanPage(), QStringLiteral("Scan"));
    pc1_->addTab(BuildProcessManagerPage(), QStringLiteral("Process Manager"));
    pc1_->addTab(BuildStartupManagerPage(), QStringLiteral("Startup Manager"));
    pc1_->addTab(BuildFileGuardPage(), QStringLiteral("FileGuard Report"));
    pc1_->addTab(BuildQuickReportPage(), QStringLiteral("Quick Report"));
    pc1_->addTab(BuildQuarantinePage(), QStringLiteral("Quarantine"));
    layout->addWidget(pc1_, 1);

    memo1_ = new QPlainTextEdit;
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setReadOnly(true);
    memo1_->setFixedHeight(kMemo1Height);
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo1_);

    panel4_ = new QLabel;
    panel4_->setObjectName(QStringLiteral("Panel4"));
    panel4_->setFixedHeight(kPanel4Height);
    panel4_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel4_->setFrameShape(QFrame::Panel);
    panel4_->setFrameShadow(QFrame::Sunken);
    panel4_->setIndent(4);
    layout->addWidget(panel4_);
    setCentralWidget(central);

    // "Scan Now" switches pages through the driver; the user's own switches go back to it.
    connect(pc1_, &QTabWidget::currentChanged, this,
            [this](int index) { program_.driver.pc1PageIndex.Set(index); });
    program_.driver.pc1PageIndex.Watch([this](const int& index) {
        if (pc1_->currentIndex() != index) pc1_->setCurrentIndex(index);
    });

    BindStatusLogAndLine();

    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setSingleShot(true);
    timer2_->setInterval(1000);
    connect(timer2_, &QTimer::timeout, this, &MainWindow::Timer2Timer);

    FormCreate();
}

MainWindow::~MainWindow() {
    // The core outlives the window: stop it from writing into widgets that are going away.
    program_.context.log.onCleared = nullptr;
    program_.context.log.onLineAdded = nullptr;
    program_.ui.BindStatusLine(nullptr, nullptr);
    program_.ui.SetParentWidget(nullptr);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, secondary windows included.
    if (customScanWindow_) customScanWindow_->close();
    if (addWindow_) addWindow_->close();
    if (RunningHandlers() > 0) {
        // A scan or clean-up runs inside the pump: ask it to stop at its next item and close
        // once it has ended, so nothing goes on without a window.
        program_.context.abortRequested = true;
        event->ignore();
        if (!closeWhenIdle_) {
            closeWhenIdle_ = new QTimer(this);
            closeWhenIdle_->setInterval(50);
            connect(closeWhenIdle_, &QTimer::timeout, this, [this] {
                if (RunningHandlers() > 0) {
                    program_.context.abortRequested = true;
                    return;
                }
                closeWhenIdle_->stop();
                close();
            });
        }
        closeWhenIdle_->start();
        return;
    }
    event->accept();
}

void MainWindow::BindStatusLogAndLine() {
    auto& log = program_.context.log;
    if (log.Lines().empty()) log.AddLine("Scourwell");
    for (const auto& line : log.Lines()) memo1_->appendPlainText(Q(line));
    log.onCleared = [this] { memo1_->clear(); };
    log.onLineAdded = [this](const std::string& line) { memo1_->appendPlainText(Q(line)); };

    panel4_->setText(Q(program_.context.status.Text()));
    program_.ui.BindStatusLine(&program_.context.status,
                               [this](const std::string& text) { panel4_->setText(Q(text)); });
    // Status texts set outside a pumping loop (a click on a result, say) show within a moment.
    statusSync_ = new QTimer(this);
    statusSync_->setInterval(100);
    connect(statusSync_, &QTimer::timeout, this, [this] { program_.ui.SyncStatusLine(); });
    statusSync_->start();
}

// --- Welcome --------------------------------------------------------------------------------

QWidget* MainWindow::BuildWelcomePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabWelcome"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    // Database information.
    auto* database = new QGroupBox(QStringLiteral("Database information!"));
    database->setObjectName(QStringLiteral("GroupBox1"));
    Colour(database, kPanel11Colour);
    auto* dbLayout = new QGridLayout(database);
    dbLayout->setColumnStretch(1, 1);
    label6_ = Label(QStringLiteral("None"), "Label6");
    label6_->setWordWrap(true);
    label6_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dbLayout->addWidget(Label(QStringLiteral("Latest updates: ")), 0, 0, Qt::AlignTop);
    dbLayout->addWidget(label6_, 0, 1);
    dbLayout->addWidget(Label(QStringLiteral("Threats detected:")), 1, 0);
    dbLayout->addWidget(Label(QStringLiteral("None"), "Label10"), 1, 1);
    dbLayout->addWidget(Label(QStringLiteral("Scan info:")), 2, 0);
    dbLayout->addWidget(Label(QStringLiteral("None"), "Label12"), 2, 1);

    // Update check: the button, and the progress panel shown while a download runs.
    dbLayout->addWidget(BuildUpdateBox(program_.update, label6_), 3, 0, 1, 2);

    // Status picture and message.
    auto* status = new QGroupBox;
    status->setObjectName(QStringLiteral("GroupBox2"));
    Colour(status, 0xFFFFFF);
    auto* statusLayout = new QHBoxLayout(status);
    infpultImg_ = new QLabel;
    infpultImg_->setObjectName(QStringLiteral("infpult_img"));
    infpultImg_->setFixedSize(48, 48);
    statusLayout->addWidget(infpultImg_);
    auto* infoptext = new ClickableLabel;
    infoptext_ = infoptext;
    infoptext_->setObjectName(QStringLiteral("infoptext"));
    infoptext_->setWordWrap(true);
    QFont statusFont = infoptext_->font();
    statusFont.setBold(true);
    statusFont.setPointSize(11);
    infoptext_->setFont(statusFont);
    statusLayout->addWidget(infoptext_, 1);

    auto& welcome = program_.welcome;
    infoptext_->setText(Q(welcome.infoptext.Get()));
    welcome.infoptext.Watch([this](const std::string& text) { infoptext_->setText(Q(text)); });
    ShowStatusPicture(welcome.infpultImg.Get());
    welcome.infpultImg.Watch([this](const scan::StatusPicture& p) { ShowStatusPicture(p); });
    auto showPrompt = [this](bool on) {
        infoptext_->setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
        QPalette palette = infoptext_->palette();
        palette.setColor(QPalette::WindowText,
                         on ? QColor(0xB0, 0x20, 0x10) : QColor(0x20, 0x50, 0x20));
        infoptext_->setPalette(palette);
    };
    showPrompt(welcome.scanPrompt.Get());
    welcome.scanPrompt.Watch([showPrompt](const bool& on) { showPrompt(on); });
    infoptext->onClick = [this] {
        RunReportingErrors(this, [this] { program_.welcome.infoptextClick(); });
    };

    // Drives.
    auto* drives = new QGroupBox(QStringLiteral("Drives Info:"));
    drives->setObjectName(QStringLiteral("GroupBox3"));
    auto* drivesLayout = new QVBoxLayout(drives);
    auto* drivesButtons = new QHBoxLayout;
    auto* button21 = Button("Button21", "Refresh");
    auto* button23 = Button("Button23", "Scan Now");
    drivesButtons->addWidget(button21);
    drivesButtons->addWidget(button23);
    drivesButtons->addStretch();
    drivesLayout->addLayout(drivesButtons);
    auto* pList = new ListView(welcome.pList, ListViewSetup{false, {110, 130, 130, 100}, {}});
    pList->setObjectName(QStringLiteral("pList"));
    Colour(pList->viewport(), kPanel11Colour);
    Colour(pList, kPanel11Colour);
    drivesLayout->addWidget(pList, 1);
    OnClick(button21, [this] { program_.welcome.Button21Click(); });
    OnClick(button23, [this] { program_.driver.Button23Click(); });

    // Product panel.
    auto* panel11 = new QFrame;
    panel11->setObjectName(QStringLiteral("Panel11"));
    panel11->setFrameShape(QFrame::StyledPanel);
    Colour(panel11, kPanel11Colour);
    auto* productLayout = new QVBoxLayout(panel11);
    productLayout->setContentsMargins(10, 10, 10, 10);
    auto* productTop = new QHBoxLayout;
    auto* logo = new QLabel;
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setPixmap(QPixmap::fromImage(LoadAsset(QStringLiteral("product_logo.jpg"))));
    productTop->addWidget(logo);
    auto* names = new QVBoxLayout;
    auto* productName = Label(QStringLiteral("Scourwell"), "Label2");
    QFont nameFont = productName->font();
    nameFont.setPointSize(24);
    nameFont.setBold(true);
    productName->setFont(nameFont);
    names->addStretch();
    names->addWidget(productName);
    names->addWidget(Label(QStringLiteral("Build date: 26.1.2014"), "Label3"));
    names->addStretch();
    productTop->addLayout(names, 1);
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("Image2"));
    picture->setPixmap(QPixmap::fromImage(LoadAsset(QStringLiteral("product_pc.jpg"))));
    productTop->addWidget(picture);
    productLayout->addLayout(productTop);
    productLayout->addStretch();
    driveBars_ = new DriveBarsRow;
    productLayout->addWidget(driveBars_, 0, Qt::AlignLeft | Qt::AlignBottom);
    driveBars_->Show(welcome.driveBars.Get());
    welcome.driveBars.Watch(
        [this](const std::vector<scan::DriveBar>& bars) { driveBars_->Show(bars); });

    grid->addWidget(database, 0, 0);
    grid->addWidget(status, 1, 0);
    grid->addWidget(panel11, 0, 1, 2, 1);
    grid->addWidget(drives, 2, 0, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);
    grid->setRowStretch(2, 1);
    return page;
}

void MainWindow::ShowStatusPicture(scan::StatusPicture picture) {
    const auto index = static_cast<size_t>(picture);
    if (index >= statusPictures_.size()) return;
    infpultImg_->setPixmap(statusPictures_[index]);
    infpultImg_->setProperty("picture", QString::fromLatin1(kStatusPictureNames[index]));
}

// --- Scan -----------------------------------------------------------------------------------

QWidget* MainWindow::BuildScanPage() {
    auto& page = program_.scanPage;
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabScan"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* panel2 = new QFrame;
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* filters = new QHBoxLayout(panel2);
    filters->setContentsMargins(0, 0, 0, 0);
    filters->addWidget(new QLabel(QStringLiteral("Filter:")));
    cb1_ = new QComboBox;
    cb1_->setObjectName(QStringLiteral("cb1"));
    cb1_->addItems({QStringLiteral("All"), QStringLiteral("Files"), QStringLiteral("Folders")});
    cb1_->setMinimumWidth(110);
    cb2_ = new QComboBox;
    cb2_->setObjectName(QStringLiteral("cb2"));
    cb2_->addItems({QStringLiteral("All"), QStringLiteral("Critical"), QStringLiteral("High"),
                    QStringLiteral("Middle"), QStringLiteral("Low"), QStringLiteral("Junk")});
    cb2_->setMinimumWidth(110);
    filters->addWidget(cb1_);
    filters->addWidget(cb2_);
    filters->addStretch();
    auto* button26 = Button("Button26", "Deselect All");
    auto* button25 = Button("Button25", "Select All");
    filters->addWidget(button26);
    filters->addWidget(button25);
    layout->addWidget(panel2);

    auto* list1 = new ListView(
        page.list1, ListViewSetup{false, {260, 70, 420, 110, 80}, {{1, Qt::AlignHCenter}}});
    list1->setObjectName(QStringLiteral("list1"));
    layout->addWidget(list1, 1);

    auto* panel3 = new QFrame;
    panel3->setObjectName(QStringLiteral("Panel3"));
    auto* bottom = new QHBoxLayout(panel3);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(new QLabel(QStringLiteral("Potentially freed space:")));
    auto* label8 = Label(Q(page.freedSpace.Get()), "Label8");
    QFont totalFont = label8->font();
    totalFont.setBold(true);
    label8->setFont(totalFont);
    label8->setMinimumWidth(120);
    bottom->addWidget(label8);
    bottom->addStretch();
    auto* button1 = Button("Button1", "Quick Scan");
    auto* button2 = Button("Button2", "Custom Scan");
    auto* button3 = Button("Button3", "Clean-up");
    auto* button5 = Button("Button5", "Abort");
    for (auto* b : {button1, button2, button3, button5}) bottom->addWidget(b);
    layout->addWidget(panel3);

    page.freedSpace.Watch([label8](const std::string& text) { label8->setText(Q(text)); });
    Bind(button1, page.quickScanEnabled);
    Bind(button2, page.customScanEnabled);
    Bind(button3, page.cleanUpEnabled);
    Bind(button5, page.abortEnabled);

    cb1_->setCurrentIndex(page.kindFilter.Get());
    cb2_->setCurrentIndex(page.severityFilter.Get());
    connect(cb1_, &QComboBox::currentIndexChanged, this, [this](int index) {
        RunReportingErrors(this, [this, index] { program_.scanPage.kindFilter.Set(index); });
    });
    connect(cb2_, &QComboBox::currentIndexChanged, this, [this](int index) {
        RunReportingErrors(this, [this, index] { program_.scanPage.severityFilter.Set(index); });
    });
    page.kindFilter.Watch([this](const int& index) {
        if (cb1_->currentIndex() != index) cb1_->setCurrentIndex(index);
    });
    page.severityFilter.Watch([this](const int& index) {
        if (cb2_->currentIndex() != index) cb2_->setCurrentIndex(index);
    });

    OnClick(button25, [this] { scan::Button25Click(program_.scanPage); });
    OnClick(button26, [this] { scan::Button26Click(program_.scanPage); });
    OnClick(button1, [this] { program_.driver.Button1Click(); });
    OnClick(button2, [this] { Button2Click(); });
    OnClick(button3, [this] { quarantine::Button3Click(program_.scanPage, program_.quarantine); });
    OnClick(button5, [this] { program_.driver.Button5Click(); });
    return widget;
}

void MainWindow::Button2Click() {
    program_.customScan.FormShow();
}

// --- Inspection pages (laid out; their actions come later) ----------------------------------

QWidget* MainWindow::BuildProcessManagerPage() {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabProcessManager"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* listView1 = new ListView(program_.listView1, ListViewSetup{true, {850, 120}, {}});
    listView1->setObjectName(QStringLiteral("ListView1"));
    layout->addWidget(listView1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(NewObjectsLegend(" - New task(s) created in last 10 days."), 1);
    bottom->addWidget(Button("Button7", "Refresh"));
    bottom->addWidget(Button("Button8", "End Task"));
    bottom->addWidget(Button("Button20", "Add to quarantine"));
    layout->addLayout(bottom);
    return widget;
}

QWidget* MainWindow::BuildStartupManagerPage() {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabStartupManager"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel(QStringLiteral("Registry startup list"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    auto* listView2 = new ListView(program_.listView2, ListViewSetup{true, {800, 120}, {}});
    listView2->setObjectName(QStringLiteral("ListView2"));
    layout->addWidget(listView2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(NewObjectsLegend(" - New object(s) created in last 10 days."), 1);
    bottom->addWidget(Button("Button4", "Refresh"));
    bottom->addWidget(Button("Button6", "Delete value(s)"));
    bottom->addWidget(Button("Button18", "Add to quarantine"));
    layout->addLayout(bottom);
    return widget;
}

QWidget* MainWindow::BuildFileGuardPage() {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabFileGuard"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel(QStringLiteral("Fileguard report"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    layout->addWidget(
        new QLabel(QStringLiteral("- Fileguard reports suspicous files on your computer, it can "
                                  "help to locate undetected threats.")));
    auto* listfg = new ListView(program_.listfg, ListViewSetup{true, {150}, {}});
    listfg->setObjectName(QStringLiteral("listfg"));
    layout->addWidget(listfg, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button("Button9", "Refresh"));
    bottom->addWidget(Button("Button10", "Add to quarantine"));
    layout->addLayout(bottom);
    return widget;
}

QWidget* MainWindow::BuildQuickReportPage() {
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabQuickReport"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* title = new QLabel(QStringLiteral("Quick report"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    auto* memo2 = new QPlainTextEdit;
    memo2->setObjectName(QStringLiteral("Memo2"));
    memo2->setReadOnly(true);
    memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont(QStringLiteral("Segoe UI"));
    memoFont.setPixelSize(13);
    memo2->setFont(memoFont);
    layout->addWidget(memo2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Button("Button12", "Build Report"));
    auto* save = Button("Button11", "Save Report");
    save->setEnabled(false);
    bottom->addWidget(save);
    layout->addLayout(bottom);
    return widget;
}

// --- Quarantine -----------------------------------------------------------------------------

QWidget* MainWindow::BuildQuarantinePage() {
    auto& page = program_.quarantinePage;
    auto& store = program_.quarantine;
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("TabQuarantine"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);

    cbx1_ = new QComboBox;
    cbx1_->setObjectName(QStringLiteral("cbx1"));
    for (const auto& item : quarantine::kCbx1Items) cbx1_->addItem(Q(item));
    cbx1_->setMinimumWidth(180);
    auto* top = new QHBoxLayout;
    top->addWidget(cbx1_);
    top->addStretch();
    layout->addLayout(top);

    note1_ = new QStackedWidget;
    note1_->setObjectName(QStringLiteral("Note1"));

    auto* quarantinePage = new QWidget;
    quarantinePage->setObjectName(QStringLiteral("Quarantine"));
    auto* qLayout = new QVBoxLayout(quarantinePage);
    qLayout->setContentsMargins(0, 0, 0, 0);
    auto* cList1 = new ListView(
        store.cList1,
        ListViewSetup{true, {170, 110, 160, 400}, {{1, Qt::AlignHCenter}, {2, Qt::AlignHCenter}}});
    cList1->setObjectName(QStringLiteral("cList1"));
    qLayout->addWidget(cList1, 1);
    auto* qButtons = new QHBoxLayout;
    auto* button14 = Button("Button14", "Add File");
    auto* button13 = Button("Button13", "Add Folder");
    auto* button17 = Button("Button17", "Refresh");
    auto* button16 = Button("Button16", "Restore");
    auto* button15 = Button("Button15", "Clear All");
    qButtons->addWidget(button14);
    qButtons->addWidget(button13);
    qButtons->addStretch();
    qButtons->addWidget(button17);
    qButtons->addWidget(button16);
    qButtons->addWidget(button15);
    qLayout->addLayout(qButtons);
    note1_->addWidget(quarantinePage);

    auto* deletedPage = new QWidget;
    deletedPage->setObjectName(QStringLiteral("DeletedFile"));
    auto* dLayout = new QVBoxLayout(deletedPage);
    dLayout->setContentsMargins(0, 0, 0, 0);
    auto* dList1 = new ListView(store.dList1, ListViewSetup{true, {170}, {}});
    dList1->setObjectName(QStringLiteral("dList1"));
    dLayout->addWidget(dList1, 1);
    auto* dButtons = new QHBoxLayout;
    dButtons->addStretch();
    auto* button19 = Button("Button19", "Clear List");
    dButtons->addWidget(button19);
    dLayout->addLayout(dButtons);
    note1_->addWidget(deletedPage);
    layout->addWidget(note1_, 1);

    cbx1_->setCurrentIndex(page.cbx1.Get());
    note1_->setCurrentIndex(page.note1.Get());
    connect(cbx1_, &QComboBox::currentIndexChanged, this, [this](int index) {
        RunReportingErrors(this, [this, index] { program_.quarantinePage.SelectCbx1(index); });
    });
    page.cbx1.Watch([this](const int& index) {
        if (cbx1_->currentIndex() != index) cbx1_->setCurrentIndex(index);
    });
    page.note1.Watch([this](const int& index) { note1_->setCurrentIndex(index); });
    Bind(button15, page.clearAllEnabled);
    Bind(button16, page.restoreEnabled);
    Bind(button13, page.addFolderEnabled);

    OnClick(button15, [this] { program_.quarantinePage.Button15Click(); });
    OnClick(button16, [this] { program_.quarantinePage.Button16Click(); });
    OnClick(button17, [this] { program_.quarantinePage.Button17Click(); });
    OnClick(button19, [this] { program_.quarantinePage.Button19Click(); });
    OnClick(button14, [this] { program_.quarantinePage.Button14Click(); });
    OnClick(button13, [this] { program_.quarantinePage.Button13Click(); });
    return widget;
}

// --- Start-up -------------------------------------------------------------------------------

void MainWindow::FormCreate() {
    // Colours, the lists' sorting and the filters' "All" are set where the pages are built
    // and where the core objects are made; the steps that can fail follow.
    cb1_->setCurrentIndex(0);
    cb2_->setCurrentIndex(0);

    // Without a data folder there is nothing to load: one report, and no step after it runs.
    try {
        foundation::GetDataFolder();
    } catch (const std::exception& error) {
        ShowMessageBox(this, error.what(), foundation::kAppTitle, foundation::MessageIcon::Error,
                       false);
        return;
    }

    bool databaseLoaded = false;
    try {
        database::InstallShippedDatabase();
        const std::string path = foundation::GetDataFolder() + "files.dat";
        program_.database.Load(path);
        label6_->setText(Q(program_.database.VersionLine()));
        databaseLoaded = true;
    } catch (const std::exception& error) {
        // The general error report. Label6 keeps "None" and the start-up refresh is skipped.
        ShowMessageBox(this, error.what(), foundation::kAppTitle, foundation::MessageIcon::Error,
                       false);
    }

    // The quarantine index and the deleted-threats list are loaded even without a database:
    // left empty, the next save of either list (a refresh of the quarantine view, an added
    // entry) would overwrite the files on disk and lose every earlier entry.
    bool quarantineLoaded = false;
    try {
        program_.quarantine.LoadAtStartup();
        program_.quarantinePage.SelectCbx1(0);
        quarantineLoaded = true;
    } catch (const std::exception& error) {
        ShowMessageBox(this, error.what(), foundation::kAppTitle, foundation::MessageIcon::Error,
                       false);
    }
    if (!databaseLoaded || !quarantineLoaded) return;
    timer2_->start();
}

bool MainWindow::Timer2Enabled() const {
    return timer2_->isActive();
}

void MainWindow::Timer2Timer() {
    timer2_->stop();
    ++startupRefreshes_;
    // The Process Manager and Startup Manager refreshes come first once those pages work.
    try {
        program_.quarantinePage.Button17Click();
        program_.welcome.Button21Click();
    } catch (const std::exception& error) {
        ShowMessageBox(this, error.what(), foundation::kAppTitle, foundation::MessageIcon::Error,
                       false);
    }
}

}  // namespace scourwell::app
