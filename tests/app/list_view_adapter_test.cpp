// The generic list view over a core ListModel: the model's changes reach the view, and the
// user's clicks reach the model's gesture hooks.

#include "app/list_view_adapter.h"

#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "foundation/list_model.h"

using scourwell::app::ListView;
using scourwell::app::ListViewSetup;
using scourwell::app::WindowsColour;
using scourwell::foundation::ListItem;
using scourwell::foundation::ListModel;

namespace {

struct Recorder {
    std::vector<size_t> mouseUps, selects, doubleClicks;
    explicit Recorder(ListModel& model) {
        model.onMouseUp = [this](size_t i) { mouseUps.push_back(i); };
        model.onSelect = [this](size_t i) { selects.push_back(i); };
        model.onDoubleClick = [this](size_t i) { doubleClicks.push_back(i); };
    }
};

ListModel* ThreeRows(bool checkBoxes) {
    auto* model = new ListModel({"Name", "Kind", "Status"}, checkBoxes);
    model->Add(ListItem{"a", {"File", "Ok"}, false, false});
    model->Add(ListItem{"b", {"Folder", "Critical"}, true, false});
    model->Add(ListItem{"c", {"File"}, false, false});
    model->SetColourRule([](const ListItem& item) -> std::optional<uint32_t> {
        if (item.SubItem(1) == "Critical") return scourwell::foundation::kColourYellow;
        if (item.checked) return scourwell::foundation::kColourCheckedBlue;
        return std::nullopt;
    });
    return model;
}

QPoint RowCentre(ListView& view, int row, int column = 1) {
    return view.visualRect(view.model()->index(row, column)).center();
}

}  // namespace

class ListViewAdapterTest : public QObject {
    Q_OBJECT

  private slots:
    void windowsColours_data();
    void windowsColours();
    void showsItemsChecksAndColours();
    void followsCoreChanges();
    void checkBoxClickTogglesWithoutSelecting();
    void rowClickSelectsAndDoubleClickReports();
    void multiSelectKeepsBothSidesInStep();
    void listWithoutCheckBoxesHasNone();
};

void ListViewAdapterTest::windowsColours_data() {
    QTest::addColumn<uint>("value");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("yellow") << uint(65535) << QColor(255, 255, 0);
    QTest::newRow("checked light blue FCF1E6") << uint(16576998) << QColor(0xE6, 0xF1, 0xFC);
    QTest::newRow("product panel DED8CB") << uint(14604491) << QColor(0xCB, 0xD8, 0xDE);
    QTest::newRow("red") << uint(0x0000FF) << QColor(255, 0, 0);
}

void ListViewAdapterTest::windowsColours() {
    QFETCH(uint, value);
    QFETCH(QColor, colour);
    QCOMPARE(WindowsColour(value), colour);
}

void ListViewAdapterTest::showsItemsChecksAndColours() {
    std::unique_ptr<ListModel> model(ThreeRows(true));
    ListView view(*model, ListViewSetup{false, {}, {{1, Qt::AlignHCenter}}});
    QAbstractItemModel* m = view.model();
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(m->columnCount(), 3);
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Status"));
    QCOMPARE(m->index(1, 0).data().toString(), QStringLiteral("b"));
    QCOMPARE(m->index(1, 1).data().toString(), QStringLiteral("Folder"));
    QCOMPARE(m->index(2, 2).data().toString(), QString());  // missing sub-item
    QCOMPARE(m->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(m->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!m->index(1, 1).data(Qt::CheckStateRole).isValid());
    QCOMPARE(m->index(1, 2).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 0));
    QVERIFY(!m->index(0, 0).data(Qt::BackgroundRole).isValid());
    QCOMPARE(m->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter,
             int(Qt::AlignHCenter));
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
}

void ListViewAdapterTest::followsCoreChanges() {
    std::unique_ptr<ListModel> model(ThreeRows(true));
    ListView view(*model, ListViewSetup{});
    QAbstractItemModel* m = view.model();
    QSignalSpy changed(m, &QAbstractItemModel::dataChanged);

    model->SetChecked(0, true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m->index(0, 2).data(Qt::BackgroundRole).value<QBrush>().color(),
             QColor(0xE6, 0xF1, 0xFC));

    model->SetSubItem(2, 1, "Critical");
    QCOMPARE(m->index(2, 2).data().toString(), QStringLiteral("Critical"));

    model->Remove(0);
    QCOMPARE(m->rowCount(), 2);
    QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("b"));
    model->Add(ListItem{"d", {}, false, false});
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(m->index(2, 0).data().toString(), QStringLiteral("d"));
    model->Clear();
    QCOMPARE(m->rowCount(), 0);
}

void ListViewAdapterTest::checkBoxClickTogglesWithoutSelecting() {
    std::unique_ptr<ListModel> model(ThreeRows(true));
    Recorder hooks(*model);
    ListView view(*model, ListViewSetup{});
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const QRect box = view.CheckBoxRect(0);
    QVERIFY(!box.isEmpty());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box.center());
    QVERIFY(model->Item(0).checked);
    QVERIFY(!model->Item(0).selected);
    QCOMPARE(hooks.mouseUps, std::vector<size_t>{0});
    QVERIFY(hooks.selects.empty());

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.CheckBoxRect(1).center());
    QVERIFY(!model->Item(1).checked);

    // The space bar toggles the current row's box.
    view.setCurrentIndex(view.model()->index(2, 0));
    QTest::keyClick(&view, Qt::Key_Space);
    QVERIFY(model->Item(2).checked);
}

void ListViewAdapterTest::rowClickSelectsAndDoubleClickReports() {
    std::unique_ptr<ListModel> model(ThreeRows(true));
    Recorder hooks(*model);
    ListView view(*model, ListViewSetup{});
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowCentre(view, 1));
    QVERIFY(model->Item(1).selected);
    QVERIFY(model->Item(1).checked);  // a row click leaves the box alone
    QCOMPARE(hooks.selects, std::vector<size_t>{1});
    QCOMPARE(hooks.mouseUps, std::vector<size_t>{1});

    // A single-selection list: the next click moves the selection.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowCentre(view, 2));
    QVERIFY(!model->Item(1).selected);
    QVERIFY(model->Item(2).selected);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, RowCentre(view, 0));
    QCOMPARE(hooks.doubleClicks, std::vector<size_t>{0});
}

void ListViewAdapterTest::multiSelectKeepsBothSidesInStep() {
    std::unique_ptr<ListModel> model(ThreeRows(true));
    ListView view(*model, ListViewSetup{true, {}, {}});
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowCentre(view, 0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(view, 2));
    QVERIFY(model->Item(0).selected);
    QVERIFY(!model->Item(1).selected);
    QVERIFY(model->Item(2).selected);

    // A ctrl-click takes a row out again.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(view, 0));
    QVERIFY(!model->Item(0).selected);
    QVERIFY(model->Item(2).selected);

    // The core's selection shows in the view.
    model->SetSelected(1, true);
    QVERIFY(view.selectionModel()->isRowSelected(1, {}));
    model->SetSelected(2, false);
    QVERIFY(!view.selectionModel()->isRowSelected(2, {}));
}

void ListViewAdapterTest::listWithoutCheckBoxesHasNone() {
    std::unique_ptr<ListModel> model(ThreeRows(false));
    Recorder hooks(*model);
    ListView view(*model, ListViewSetup{true, {}, {}});
    QVERIFY(!view.model()->index(1, 0).data(Qt::CheckStateRole).isValid());
    QVERIFY(view.CheckBoxRect(1).isEmpty());
    view.setCurrentIndex(view.model()->index(0, 0));
    QTest::keyClick(&view, Qt::Key_Space);
    QVERIFY(!model->Item(0).checked);
}

QTEST_MAIN(ListViewAdapterTest)
#include "list_view_adapter_test.moc"
