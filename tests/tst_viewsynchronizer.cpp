// View synchronization: copying views and policies between canvases, the
// organizer's scopes, actions and settings, and the options page and dialog.
#include "canvastesthelpers.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using Sync = ViewSynchronizer;

namespace {

ViewSynchronizationOrganizer* organizer() { return ViewSynchronizationOrganizer::getInstance(); }

// Canvases with the same data, x 0..1000 and y 0..10, showing all of it, and a
// count of their viewBoundsChanged.
struct Canvases
{
    std::vector<std::unique_ptr<CanvasFixture>> plots;
    std::vector<std::unique_ptr<QSignalSpy>> spies;

    explicit Canvases(int count)
    {
        for (int i = 0; i < count; ++i) {
            plots.push_back(std::make_unique<CanvasFixture>());
            plots.back()->addDataSet({0, 500, 1000}, {0, 10, 5});
            plots.back()->canvas->setInitialDataBounds(Bounds(0, 10, 0, 1));
            plots.back()->canvas->updateBounds();
            spies.push_back(std::make_unique<QSignalSpy>(plots.back()->canvas.get(), SIGNAL(viewBoundsChanged())));
        }
    }
    XYCanvas* operator[](int i) const { return plots[size_t(i)]->canvas.get(); }
    void addTo(Sync& sync) const { for (auto& plot : plots) sync.addCanvas(plot->canvas.get()); }
    QList<int> viewChanges()
    {
        QList<int> result;
        for (auto& spy : spies)
            result.append(spy->count()), spy->clear();
        return result;
    }
};

bool hasX(XYCanvas* c, double lo, double hi) { return c->getViewBounds().minX == lo && c->getViewBounds().maxX == hi; }
bool hasY(XYCanvas* c, double lo, double hi) { return c->getViewBounds().minY == lo && c->getViewBounds().maxY == hi; }

QList<bool> checkedActions()
{
    QList<bool> checked;
    for (int scope = 0; scope < 4; ++scope)
        checked.append(organizer()->getEnablementAction(Sync::Scope(scope))->isChecked());
    return checked;
}

} // namespace

class TestViewSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init() { organizer()->enableScope(Sync::WindowScope); }
    void userNavigationSpreadsInTheEnabledDirections();
    void policySwitches();
    void enablingAlignsToTheCanvasChangedLast();
    void removedAndDeletedCanvases();
    void organizerScopesAndActions();
    void settingsRoundTrip();
    void optionsPageAndDialog();
};

void TestViewSynchronizer::userNavigationSpreadsInTheEnabledDirections()
{
    Canvases c(3);
    Sync sync(nullptr, Sync::WindowScope, true, false);
    QVERIFY(sync.isEnabled() && sync.isHorizontal() && !sync.isVertical());
    c.addTo(sync);

    // A view that follows new data is the canvas's own business.
    c.plots[0]->dataSets[0]->append(2000, 1);
    c[0]->updateBounds();
    QVERIFY(c[0]->getViewBounds().maxX > 2000 && hasX(c[1], 0, 1000));
    QCOMPARE(c.viewChanges(), QList<int>({1, 0, 0}));

    // Zoom and zoom in: every canvas announces its new view once, no echo.
    c[0]->zoomToHorizontal(100, 300);
    QVERIFY(hasX(c[1], 100, 300) && hasY(c[2], 0, 10));
    QVERIFY(c[1]->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::ManualViewBounds
            && c.viewChanges() == QList<int>({1, 1, 1}));
    c[2]->zoomInHorizontal();
    QVERIFY(hasX(c[0], 150, 250) && hasX(c[1], 150, 250));
    QCOMPARE(c.viewChanges(), QList<int>({1, 1, 1}));

    // Not in the other direction.
    c[0]->zoomToVertical(2, 5);
    QVERIFY(hasY(c[0], 2, 5) && hasY(c[1], 0, 10));
    QCOMPARE(c.viewChanges(), QList<int>({1, 0, 0}));

    // Both directions at once; a view that is not set (beyond the data) is not copied.
    Sync both(nullptr, Sync::WindowScope, true, true);
    sync.setEnabled(false);
    c.addTo(both);
    c[1]->zoomTo(Bounds(400, 600, 1, 4));
    QVERIFY(hasX(c[0], 400, 600) && hasY(c[2], 1, 4));
    c[2]->zoomToVertical(50, 60);
    QVERIFY(hasY(c[0], 1, 4) && std::isnan(c[2]->getViewBounds().minY));
}

void TestViewSynchronizer::policySwitches()
{
    Canvases c(3);
    Sync sync(nullptr, Sync::WindowScope, true, false);
    c.addTo(sync);
    c[0]->zoomToHorizontal(100, 200);

    // Locking and going manual stay with the one canvas; showing all is shared.
    c[0]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::LockedViewBounds, false);
    QCOMPARE(c[1]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, true);
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
    QCOMPARE(c[2]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);
    QVERIFY(hasX(c[0], 0, 1000) && hasX(c[2], 0, 1000));
    QCOMPARE(c.viewChanges(), QList<int>({2, 2, 2}));

    // Following is shared, and the next view change of the canvas that started
    // it is copied although its x range stays.
    c[0]->zoomToHorizontal(100, 200);
    sync.removeCanvas(c[1]);
    c[1]->zoomToHorizontal(500, 600);
    sync.addCanvas(c[1]);
    c[0]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    QCOMPARE(c[1]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
    QVERIFY(!hasX(c[1], 100, 200));
    c[0]->zoomToVertical(2, 5);
    QVERIFY(hasX(c[1], 100, 200) && hasY(c[1], 0, 10));
}

void TestViewSynchronizer::enablingAlignsToTheCanvasChangedLast()
{
    // Views zoomed by hand while the synchronizer was off: enabling gives
    // every canvas the view changed last.
    for (int last : {0, 1}) {
        Canvases c(3);
        Sync sync(nullptr, Sync::FileScope, true, true);
        c.addTo(sync);
        c[1 - last]->zoomTo(Bounds(100, 300, 1, 2));
        c[last]->zoomTo(Bounds(600, 900, 3, 4));
        QSignalSpy enabled(&sync, SIGNAL(enabledChanged(bool)));
        organizer()->enableScope(Sync::FileScope);
        QVERIFY(enabled.count() == 1 && enabled.takeFirst().at(0).toBool());
        for (int i = 0; i < 3; ++i)
            QVERIFY(hasX(c[i], 600, 900) && hasY(c[i], 3, 4));
        organizer()->enableScope(Sync::WindowScope);
    }
    // A canvas switched to following last: the others follow and take its x range.
    Canvases c(3);
    Sync sync(nullptr, Sync::FileScope, true, false);
    c.addTo(sync);
    for (int i = 0; i < 3; ++i)
        c[i]->zoomTo(Bounds(100 * i, 100 * i + 50, i, i + 2));
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    const Bounds view = c[1]->getViewBounds();
    organizer()->enableScope(Sync::FileScope);
    for (int i = 0; i < 3; ++i)
        QVERIFY(hasX(c[i], view.minX, view.maxX) && hasY(c[i], i, i + 2)
                && c[i]->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::FollowViewBounds);
    organizer()->enableScope(Sync::WindowScope);
}

void TestViewSynchronizer::removedAndDeletedCanvases()
{
    Canvases c(3);
    Sync a(nullptr, Sync::WindowScope, true, false);
    Sync b(nullptr, Sync::WindowScope, true, true);
    c.addTo(a);
    c.addTo(b);
    XYCanvas* gone = c[1];
    c.plots[1]->canvas.reset();
    QVERIFY(!a.getCanvasses().contains(gone) && !b.getCanvasses().contains(gone));
    c[0]->zoomToHorizontal(100, 200);
    QVERIFY(hasX(c[2], 100, 200));

    // A removed canvas neither sends nor receives.
    for (Sync* sync : {&a, &b})
        sync->removeCanvas(c[2]);
    c[0]->zoomToHorizontal(300, 400);
    c[2]->zoomToHorizontal(500, 600);
    QVERIFY(hasX(c[0], 300, 400) && hasX(c[2], 500, 600));

    // Added twice it is connected once: a following canvas dragged to the end
    // of its data makes the other go manual (zoomTo) and follow again, once.
    a.addCanvas(c[2]);
    a.addCanvas(c[2]);
    a.addCanvas(nullptr);
    QCOMPARE(a.getCanvasses().size(), 2);
    c[2]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    QSignalSpy policy(c[0], SIGNAL(horizontalViewBoundsUpdatePolicyChanged()));
    c[2]->dragViewBounds(Bounds::Horizontal, 400, true);
    QVERIFY(hasX(c[0], 900, 1000));
    QCOMPARE(policy.count(), 2);
}

void TestViewSynchronizer::organizerScopesAndActions()
{
    const QStringList texts = {"Synchronize &all plots", "Synchronize plots per &file",
                               "Synchronize plots per &view", "&No synchronization over the plots"};
    for (int scope = 0; scope < 4; ++scope)
        QCOMPARE(organizer()->getEnablementAction(Sync::Scope(scope))->text(), texts[scope]);
    QVERIFY(!organizer()->getEnablementAction(Sync::Scope(4)));
    {
        Sync app(nullptr, Sync::ApplicationScope, true, false);
        Sync file(nullptr, Sync::FileScope, true, false);
        Sync window(nullptr, Sync::WindowScope, true, false);
        QVERIFY(organizer()->getSynchronizers(Sync::FileScope) == QSet<Sync*>({&file}));
        QVERIFY(!app.isEnabled() && !file.isEnabled() && window.isEnabled());
        organizer()->getEnablementAction(Sync::ApplicationScope)->trigger();
        QVERIFY(app.isEnabled() && !file.isEnabled() && !window.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({true, false, false, false}));
        organizer()->getEnablementAction(Sync::NoScope)->trigger();
        QVERIFY(!app.isEnabled() && !window.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({false, false, false, true}));

        // New synchronizers start enabled exactly when their scope is current.
        organizer()->enableFileScope();
        Sync laterFile(nullptr, Sync::FileScope, true, false);
        Sync laterWindow(nullptr, Sync::WindowScope, true, false);
        QVERIFY(file.isEnabled() && laterFile.isEnabled() && !laterWindow.isEnabled());
    }
    QVERIFY(organizer()->getSynchronizers(Sync::FileScope).isEmpty());

    // The shared synchronizers: horizontal only, owned by the organizer; a new
    // file gets a new one while the previous one stays registered.
    Sync* app = organizer()->getApplicationViewSynchronizer();
    QVERIFY(app == organizer()->getApplicationViewSynchronizer() && app->parent() == organizer()
            && app->getScope() == Sync::ApplicationScope && app->isHorizontal() && !app->isVertical());
    Sync* file = organizer()->getCurrentFileViewSynchronizer();
    QVERIFY(file == organizer()->getCurrentFileViewSynchronizer());
    organizer()->newCurrentFile();
    Sync* next = organizer()->getCurrentFileViewSynchronizer();
    QVERIFY(next != file && organizer()->getSynchronizers(Sync::FileScope) == QSet<Sync*>({file, next}));
    delete file;
    delete next;
    // The application one is left alive: the organizer deletes it at exit.
}

void TestViewSynchronizer::settingsRoundTrip()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("host.ini");
    organizer()->enableScope(Sync::ApplicationScope);
    organizer()->writeSettings(file);
    QCOMPARE(QSettings(file, QSettings::IniFormat).value("ViewSynchronization/scope").toInt(), 0);
    organizer()->enableScope(Sync::NoScope);
    organizer()->readSettings(file);
    QVERIFY(organizer()->getCurrentEnabledScope() == Sync::ApplicationScope
            && checkedActions() == QList<bool>({true, false, false, false}));

    // Without the key, plots of one window are kept in step.
    organizer()->readSettings(dir.filePath("missing.ini"));
    QCOMPARE(organizer()->getCurrentEnabledScope(), Sync::WindowScope);

    // A damaged serialized value claiming 26 GB is neither decoded nor rewritten.
    const QByteArray damaged = "[ViewSynchronization]\nscope=@Variant(\\0\\0\\0\\x\t2\\0\\0\\0\\x3)\n";
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(damaged) == damaged.size());
    out.close();
    organizer()->enableScope(Sync::ApplicationScope);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("serialized values"));
    organizer()->readSettings(file);
    QCOMPARE(organizer()->getCurrentEnabledScope(), Sync::WindowScope);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("serialized values"));
    organizer()->writeSettings(file);
    QVERIFY(out.open(QIODevice::ReadOnly) && out.readAll() == damaged);
}

void TestViewSynchronizer::optionsPageAndDialog()
{
    Sync window(nullptr, Sync::WindowScope, true, false);
    organizer()->enableScope(Sync::FileScope);
    ViewSynchronizationOptionsWidget page(nullptr, false);
    const QList<QRadioButton*> buttons = page.findChildren<QRadioButton*>();
    QStringList texts;
    for (QRadioButton* button : buttons)
        texts << button->text();
    QCOMPARE(texts, QStringList({"No view synchronization", "Synchronize between time plots within a single window",
                                 "Synchronize between time plots for the same file",
                                 "Synchronize between all time plots"}));
    // The hidden per-file choice still shows the current scope.
    QVERIFY(!buttons[1]->isHidden() && buttons[2]->isHidden() && buttons[2]->isChecked());
    QVERIFY(!ViewSynchronizationOptionsWidget(nullptr, true).findChildren<QRadioButton*>()[2]->isHidden());

    QSignalSpy accepted(&page, SIGNAL(accepted()));
    buttons[1]->setChecked(true);
    page.accept();
    QVERIFY(accepted.count() == 1 && window.isEnabled());
    organizer()->enableScope(Sync::ApplicationScope);
    page.setWidgetContentsFromSettings();
    QVERIFY(buttons[3]->isChecked());

    // The dialog: Cancel keeps the scope, OK with "No view synchronization" switches all off.
    for (bool ok : {false, true}) {
        organizer()->enableScope(Sync::WindowScope);
        auto* options = new ViewSynchronizationOptionsWidget(nullptr, true);
        std::unique_ptr<QDialog> dialog(options->turnIntoDialog(nullptr));
        QCOMPARE(dialog->windowTitle(), QString("Time Plot Synchronization Options"));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint) && options->parent() == dialog.get());
        dialog->show();
        options->findChildren<QRadioButton*>()[0]->setChecked(true);
        auto* box = dialog->findChild<QDialogButtonBox*>();
        box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        QVERIFY(!dialog->isVisible() && window.isEnabled() == !ok);
    }
}

QTEST_MAIN(TestViewSynchronizer)
#include "tst_viewsynchronizer.moc"
