// View synchronization: copying views and policies between canvases, the
// organizer's scopes, actions and settings, and the options page and dialog.
#include "canvastesthelpers.h"

#include <memleaktracer.h>

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

namespace {

ViewSynchronizationOrganizer* organizer()
{
    return ViewSynchronizationOrganizer::getInstance();
}

// Canvases with the same data, x 0..1000 and y 0..10, whose views show all of it.
struct Canvases
{
    std::vector<std::unique_ptr<CanvasFixture>> plots;

    explicit Canvases(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto plot = std::make_unique<CanvasFixture>();
            plot->addDataSet({0, 500, 1000}, {0, 10, 5});
            plot->canvas->setInitialDataBounds(Bounds(0, 10, 0, 1));
            plot->canvas->updateBounds();
            plots.push_back(std::move(plot));
        }
    }
    XYCanvas* operator[](int i) const { return plots[size_t(i)]->canvas.get(); }
    int size() const { return int(plots.size()); }
    void destroy(int i) { plots[size_t(i)]->canvas.reset(); }
    void append(int i, double x, double y) { plots[size_t(i)]->dataSets[0]->append(x, y); }
};

// Counts viewBoundsChanged of every canvas.
struct ViewSpies
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;

    explicit ViewSpies(Canvases const& canvases)
    {
        for (int i = 0; i < canvases.size(); ++i)
            spies.push_back(std::make_unique<QSignalSpy>(canvases[i], SIGNAL(viewBoundsChanged())));
    }
    QList<int> counts()
    {
        QList<int> result;
        for (auto& spy : spies) {
            result.append(spy->count());
            spy->clear();
        }
        return result;
    }
};

bool hasX(XYCanvas* canvas, double lo, double hi)
{
    const Bounds view = canvas->getViewBounds();
    return view.minX == lo && view.maxX == hi;
}

bool hasY(XYCanvas* canvas, double lo, double hi)
{
    const Bounds view = canvas->getViewBounds();
    return view.minY == lo && view.maxY == hi;
}

QList<bool> checkedActions()
{
    QList<bool> checked;
    for (int scope = 0; scope < 4; ++scope)
        checked.append(organizer()->getEnablementAction(ViewSynchronizer::Scope(scope))->isChecked());
    return checked;
}

} // namespace

class TestViewSynchronizer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void userNavigationSpreadsInTheEnabledDirectionOnly();
    void policySwitches();
    void followingCanvasSpreadsItsNextView();
    void enablingAlignsToTheFirstCanvas();
    void removedAndDeletedCanvases();
    void organizerScopesAndActions();
    void sharedSynchronizers();
    void settingsRoundTrip();
    void optionsWidget();
    void optionsDialog();
    void noneScopeIsFatal();
};

void TestViewSynchronizer::init()
{
    organizer()->enableScope(ViewSynchronizer::WindowScope);
}

void TestViewSynchronizer::userNavigationSpreadsInTheEnabledDirectionOnly()
{
    Canvases c(3);
    ViewSynchronizer sync(nullptr, ViewSynchronizer::WindowScope, true, false);
    QVERIFY(sync.isEnabled());
    QVERIFY(sync.isHorizontal() && !sync.isVertical());
    for (int i = 0; i < 3; ++i)
        sync.addCanvas(c[i]);
    QCOMPARE(sync.getCanvasses().size(), 3);
    ViewSpies spies(c);

    // A view that follows new data is the canvas's own business.
    c.append(0, 2000, 1);
    c[0]->updateBounds();
    QVERIFY(c[0]->getViewBounds().maxX > 2000);
    QVERIFY(hasX(c[1], 0, 1000) && hasX(c[2], 0, 1000));
    QCOMPARE(spies.counts(), QList<int>({1, 0, 0}));

    // Each canvas announces its new view exactly once: nothing bounces back.
    c[0]->zoomToHorizontal(100, 300);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(hasX(c[i], 100, 300));
        QVERIFY(hasY(c[i], 0, 10));
    }
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));
    QCOMPARE(c[1]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);

    // Vertical navigation is not shared by a horizontal synchronizer.
    c[0]->zoomToVertical(2, 5);
    QVERIFY(hasY(c[0], 2, 5));
    QVERIFY(hasY(c[1], 0, 10) && hasY(c[2], 0, 10));
    QCOMPARE(spies.counts(), QList<int>({1, 0, 0}));

    // Dragging and zooming any canvas moves the others.
    c[1]->dragViewBounds(50, 0);
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));
    c[2]->zoomInHorizontal();
    for (int i = 0; i < 3; ++i)
        QVERIFY(hasX(c[i], 200, 300));
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));

    // A synchronizer of both directions copies the whole view at once.
    sync.removeCanvas(c[0]);
    sync.removeCanvas(c[1]);
    sync.removeCanvas(c[2]);
    ViewSynchronizer both(nullptr, ViewSynchronizer::WindowScope, true, true);
    for (int i = 0; i < 3; ++i)
        both.addCanvas(c[i]);
    c[1]->zoomTo(Bounds(400, 600, 1, 4));
    for (int i = 0; i < 3; ++i)
        QVERIFY(hasX(c[i], 400, 600) && hasY(c[i], 1, 4));
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));

    // And a vertical one only y ranges.
    both.removeCanvas(c[0]);
    both.removeCanvas(c[1]);
    both.removeCanvas(c[2]);
    ViewSynchronizer vertical(nullptr, ViewSynchronizer::WindowScope, false, true);
    for (int i = 0; i < 3; ++i)
        vertical.addCanvas(c[i]);
    c[2]->zoomTo(Bounds(0, 100, 3, 6));
    QVERIFY(hasX(c[2], 0, 100));
    QVERIFY(hasX(c[0], 400, 600) && hasY(c[0], 3, 6));
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));

    // A view that is not set (zoomed beyond the data) is not copied.
    c[2]->zoomToVertical(50, 60);
    QVERIFY(hasY(c[0], 3, 6) && hasY(c[1], 3, 6));
    QCOMPARE(spies.counts(), QList<int>({0, 0, 1}));
}

void TestViewSynchronizer::policySwitches()
{
    Canvases c(3);
    ViewSynchronizer sync(nullptr, ViewSynchronizer::WindowScope, true, true);
    for (int i = 0; i < 3; ++i)
        sync.addCanvas(c[i]);
    c[0]->zoomTo(Bounds(100, 200, 2, 4));
    QCOMPARE(c[2]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);

    // Locking and going manual stay with the one canvas.
    c[0]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::LockedViewBounds, false);
    c[0]->setVerticalViewBoundsUpdatePolicy(XYCanvas::LockedViewBounds, false);
    QCOMPARE(c[1]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);
    QCOMPARE(c[1]->getVerticalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, false);
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
    QCOMPARE(c[2]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);
    QCOMPARE(c[0]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);

    // Showing everything is shared, and each canvas then shows its own data.
    ViewSpies spies(c);
    c[2]->setVerticalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, true);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(c[i]->getVerticalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);
        QVERIFY(hasY(c[i], 0, 10));
    }
    QCOMPARE(spies.counts(), QList<int>({1, 1, 1}));

    // Following is shared in its direction only.
    c[1]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(c[i]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
        QCOMPARE(c[i]->getVerticalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);
    }
}

void TestViewSynchronizer::followingCanvasSpreadsItsNextView()
{
    Canvases c(3);
    ViewSynchronizer sync(nullptr, ViewSynchronizer::WindowScope, true, false);
    for (int i = 0; i < 3; ++i)
        sync.addCanvas(c[i]);
    c[0]->zoomToHorizontal(100, 200);
    // Give the others views of their own.
    sync.removeCanvas(c[1]);
    sync.removeCanvas(c[2]);
    c[1]->zoomToHorizontal(500, 600);
    c[2]->zoomToHorizontal(700, 800);
    sync.addCanvas(c[1]);
    sync.addCanvas(c[2]);

    // The others follow too; the next view change of the canvas that started
    // following is copied although its x range stays.
    c[0]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    QCOMPARE(c[1]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
    QVERIFY(!hasX(c[1], 100, 200));
    c[0]->zoomToVertical(2, 5);
    for (int i = 1; i < 3; ++i) {
        QVERIFY(hasX(c[i], 100, 200));
        QVERIFY(hasY(c[i], 0, 10));
        QCOMPARE(c[i]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
    }

    // That happens once only.
    sync.removeCanvas(c[1]);
    c[1]->zoomToHorizontal(500, 600);
    sync.addCanvas(c[1]);
    c[0]->zoomToVertical(3, 6);
    QVERIFY(hasX(c[1], 500, 600));
}

void TestViewSynchronizer::enablingAlignsToTheFirstCanvas()
{
    Canvases c(3);
    ViewSynchronizer sync(nullptr, ViewSynchronizer::FileScope, true, false);
    QVERIFY(!sync.isEnabled());
    for (int i = 0; i < 3; ++i) {
        sync.addCanvas(c[i]);
        c[i]->zoomTo(Bounds(100 * i, 100 * i + 50, i, i + 2));
    }
    // Disabled: nothing was copied.
    QVERIFY(hasX(c[2], 200, 250));

    XYCanvas* first = *sync.getCanvasses().cbegin();
    const Bounds firstView = first->getViewBounds();
    first->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    QSignalSpy enabled(&sync, SIGNAL(enabledChanged(bool)));

    organizer()->enableScope(ViewSynchronizer::FileScope);
    QVERIFY(sync.isEnabled());
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(enabled.takeFirst().at(0).toBool(), true);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(hasX(c[i], firstView.minX, firstView.maxX));
        QCOMPARE(c[i]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
        QVERIFY(hasY(c[i], i, i + 2));
    }

    // Switched off by another scope: views stay apart again.
    organizer()->enableScope(ViewSynchronizer::WindowScope);
    QVERIFY(!sync.isEnabled());
    QCOMPARE(enabled.count(), 1);
    first->zoomToHorizontal(0, 10);
    int moved = 0;
    for (int i = 0; i < 3; ++i)
        moved += hasX(c[i], 0, 10);
    QCOMPARE(moved, 1);
    // Setting the same state again says nothing.
    sync.setEnabled(false);
    QCOMPARE(enabled.count(), 1);
}

void TestViewSynchronizer::removedAndDeletedCanvases()
{
    Canvases c(3);
    ViewSynchronizer a(nullptr, ViewSynchronizer::WindowScope, true, false);
    ViewSynchronizer b(nullptr, ViewSynchronizer::WindowScope, true, true);
    for (int i = 0; i < 3; ++i)
        a.addCanvas(c[i]);
    b.addCanvas(c[1]);
    b.addCanvas(c[2]);

    XYCanvas* gone = c[1];
    c.destroy(1);
    QVERIFY(!a.getCanvasses().contains(gone));
    QVERIFY(!b.getCanvasses().contains(gone));
    QCOMPARE(a.getCanvasses().size(), 2);
    QCOMPARE(b.getCanvasses().size(), 1);
    c[0]->zoomToHorizontal(100, 200);
    QVERIFY(hasX(c[2], 100, 200));

    // A removed canvas neither sends nor receives.
    a.removeCanvas(c[2]);
    QCOMPARE(a.getCanvasses().size(), 1);
    c[0]->zoomToHorizontal(300, 400);
    QVERIFY(hasX(c[2], 100, 200));
    c[2]->zoomToHorizontal(500, 600);
    QVERIFY(hasX(c[0], 300, 400));
    // Adding it twice connects it once: a following canvas dragged to the end
    // of its data makes the other go manual (zoomTo) and follow again, once.
    a.addCanvas(c[2]);
    a.addCanvas(c[2]);
    a.addCanvas(nullptr);
    QCOMPARE(a.getCanvasses().size(), 2);
    c[2]->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    QSignalSpy policy(c[0], SIGNAL(horizontalViewBoundsUpdatePolicyChanged()));
    c[2]->dragViewBounds(Bounds::Horizontal, 400, true);
    QVERIFY(hasX(c[2], 900, 1000) && hasX(c[0], 900, 1000));
    QCOMPARE(c[0]->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
    QCOMPARE(policy.count(), 2);

    // Signals that come from no canvas of the set are ignored.
    a.processViewBoundsChange();
    a.processHorizontalViewBoundsUpdatePolicyChange();
    a.processVerticalViewBoundsUpdatePolicyChange();
    a.reactToCanvasDestroyed();
    QCOMPARE(a.getCanvasses().size(), 2);
}

void TestViewSynchronizer::organizerScopesAndActions()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    const int live = tracer->liveCount("ViewSynchronizer");
    {
        ViewSynchronizer app(nullptr, ViewSynchronizer::ApplicationScope, true, false);
        ViewSynchronizer file(nullptr, ViewSynchronizer::FileScope, true, false);
        ViewSynchronizer window(nullptr, ViewSynchronizer::WindowScope, true, false);
        QCOMPARE(tracer->liveCount("ViewSynchronizer"), live + 3);
        QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::FileScope).contains(&file));
        QVERIFY(!organizer()->getSynchronizers(ViewSynchronizer::WindowScope).contains(&file));
        QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::NoScope).isEmpty());
        QVERIFY(!app.isEnabled() && !file.isEnabled() && window.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({false, false, true, false}));

        const QStringList texts = {"Synchronize &all plots", "Synchronize plots per &file",
                                   "Synchronize plots per &view", "&No synchronization over the plots"};
        for (int scope = 0; scope < 4; ++scope) {
            QAction* action = organizer()->getEnablementAction(ViewSynchronizer::Scope(scope));
            QCOMPARE(action->text(), texts[scope]);
            QVERIFY(action->isCheckable());
        }
        QVERIFY(!organizer()->getEnablementAction(ViewSynchronizer::Scope(4)));

        organizer()->getEnablementAction(ViewSynchronizer::ApplicationScope)->trigger();
        QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::ApplicationScope);
        QVERIFY(app.isEnabled() && !file.isEnabled() && !window.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({true, false, false, false}));

        organizer()->getEnablementAction(ViewSynchronizer::NoScope)->trigger();
        QVERIFY(!app.isEnabled() && !file.isEnabled() && !window.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({false, false, false, true}));

        // A synchronizer starts enabled exactly when its scope is the current one.
        organizer()->enableFileScope();
        ViewSynchronizer laterFile(nullptr, ViewSynchronizer::FileScope, true, false);
        ViewSynchronizer laterWindow(nullptr, ViewSynchronizer::WindowScope, true, false);
        QVERIFY(file.isEnabled() && laterFile.isEnabled() && !laterWindow.isEnabled());

        // A scope outside the list enables nothing and checks nothing.
        organizer()->enableScope(ViewSynchronizer::Scope(7));
        QCOMPARE(int(organizer()->getCurrentEnabledScope()), 7);
        QVERIFY(!file.isEnabled() && !laterFile.isEnabled());
        QCOMPARE(checkedActions(), QList<bool>({false, false, false, false}));
        organizer()->enableWindowScope();
        QVERIFY(window.isEnabled() && laterWindow.isEnabled());
        organizer()->enableNone();
        QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::NoScope);
    }
    QCOMPARE(tracer->liveCount("ViewSynchronizer"), live);
    QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::FileScope).isEmpty());
}

void TestViewSynchronizer::sharedSynchronizers()
{
    ViewSynchronizer* app = organizer()->getApplicationViewSynchronizer();
    QCOMPARE(organizer()->getApplicationViewSynchronizer(), app);
    QCOMPARE(app->getScope(), ViewSynchronizer::ApplicationScope);
    QVERIFY(app->isHorizontal() && !app->isVertical());
    QCOMPARE(app->parent(), organizer());

    ViewSynchronizer* file = organizer()->getCurrentFileViewSynchronizer();
    QCOMPARE(organizer()->getCurrentFileViewSynchronizer(), file);
    QCOMPARE(file->getScope(), ViewSynchronizer::FileScope);
    QVERIFY(file->isHorizontal() && !file->isVertical());

    // A new file gets its own synchronizer; the previous one keeps its plots.
    Canvases c(1);
    file->addCanvas(c[0]);
    organizer()->newCurrentFile();
    ViewSynchronizer* next = organizer()->getCurrentFileViewSynchronizer();
    QVERIFY(next != file);
    QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::FileScope).contains(file));
    QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::FileScope).contains(next));
    QCOMPARE(file->getCanvasses().size(), 1);

    // Deleted by the host, they are made anew on request.
    delete app;
    delete file;
    delete next;
    ViewSynchronizer* again = organizer()->getApplicationViewSynchronizer();
    QVERIFY(organizer()->getSynchronizers(ViewSynchronizer::ApplicationScope).contains(again));
    QCOMPARE(organizer()->getSynchronizers(ViewSynchronizer::ApplicationScope).size(), 1);
    delete again;
}

void TestViewSynchronizer::settingsRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("host.ini");

    organizer()->enableScope(ViewSynchronizer::ApplicationScope);
    organizer()->writeSettings(file);
    {
        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.childGroups(), QStringList({"ViewSynchronization"}));
        QCOMPARE(raw.value("ViewSynchronization/scope").toInt(), 0);
    }
    organizer()->enableScope(ViewSynchronizer::NoScope);
    organizer()->readSettings(file);
    QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::ApplicationScope);
    QCOMPARE(checkedActions(), QList<bool>({true, false, false, false}));

    // Without the key: plots of one window are kept in step.
    const QString other = dir.filePath("other.ini");
    {
        QSettings raw(other, QSettings::IniFormat);
        raw.setValue("Elsewhere/scope", 0);
    }
    organizer()->readSettings(other);
    QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::WindowScope);
    organizer()->enableScope(ViewSynchronizer::FileScope);
    organizer()->readSettings(dir.filePath("missing.ini"));
    QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::WindowScope);

    // A stored value outside the list is taken as it is, and written back so.
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("ViewSynchronization/scope", 9);
    }
    ViewSynchronizer window(nullptr, ViewSynchronizer::WindowScope, true, false);
    organizer()->readSettings(file);
    QCOMPARE(int(organizer()->getCurrentEnabledScope()), 9);
    QVERIFY(!window.isEnabled());
    QCOMPARE(checkedActions(), QList<bool>({false, false, false, false}));
    organizer()->writeSettings(other);
    QCOMPARE(QSettings(other, QSettings::IniFormat).value("ViewSynchronization/scope").toInt(), 9);
}

void TestViewSynchronizer::optionsWidget()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    const int live = tracer->liveCount("ViewSynchronizationOptionsWidget");
    ViewSynchronizer window(nullptr, ViewSynchronizer::WindowScope, true, false);

    organizer()->enableScope(ViewSynchronizer::FileScope);
    ViewSynchronizationOptionsWidget page(nullptr, false);
    QCOMPARE(tracer->liveCount("ViewSynchronizationOptionsWidget"), live + 1);
    const QList<QRadioButton*> buttons = page.findChildren<QRadioButton*>();
    QStringList texts;
    int offered = 0;
    for (QRadioButton* button : buttons) {
        texts << button->text();
        offered += !button->isHidden();
    }
    QCOMPARE(texts, QStringList({"No view synchronization", "Synchronize between time plots within a single window",
                                 "Synchronize between time plots for the same file",
                                 "Synchronize between all time plots"}));
    // The hidden per-file choice still shows the current scope.
    QCOMPARE(offered, 3);
    QVERIFY(buttons[2]->isHidden() && buttons[2]->isChecked());

    ViewSynchronizationOptionsWidget full(nullptr, true);
    QVERIFY(!full.findChildren<QRadioButton*>()[2]->isHidden());

    // Accepting applies the checked choice.
    QSignalSpy accepted(&page, SIGNAL(accepted()));
    buttons[1]->setChecked(true);
    page.accept();
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(organizer()->getCurrentEnabledScope(), ViewSynchronizer::WindowScope);
    QVERIFY(window.isEnabled());

    organizer()->enableScope(ViewSynchronizer::ApplicationScope);
    page.setWidgetContentsFromSettings();
    QVERIFY(buttons[3]->isChecked() && !buttons[1]->isChecked());

    // A scope outside the list checks no button, and then accepting changes nothing.
    organizer()->enableScope(ViewSynchronizer::Scope(5));
    page.setWidgetContentsFromSettings();
    for (QRadioButton* button : buttons)
        QVERIFY(!button->isChecked());
    page.accept();
    QCOMPARE(int(organizer()->getCurrentEnabledScope()), 5);
    // The buttons still exclude each other afterwards.
    buttons[0]->setChecked(true);
    buttons[3]->setChecked(true);
    QVERIFY(!buttons[0]->isChecked());
}

void TestViewSynchronizer::optionsDialog()
{
    ViewSynchronizer window(nullptr, ViewSynchronizer::WindowScope, true, false);
    QVERIFY(window.isEnabled());
    for (bool ok : {false, true}) {
        auto* page = new ViewSynchronizationOptionsWidget(nullptr, true);
        std::unique_ptr<QDialog> dialog(page->turnIntoDialog(nullptr));
        QCOMPARE(dialog->windowTitle(), QString("Time Plot Synchronization Options"));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(page->parentWidget(), dialog.get());
        auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
        QVERIFY(grid);
        QCOMPARE(grid->itemAtPosition(0, 0)->widget(), page);
        auto* box = qobject_cast<QDialogButtonBox*>(grid->itemAtPosition(1, 0)->widget());
        QVERIFY(box && box->button(QDialogButtonBox::Ok) && box->button(QDialogButtonBox::Cancel));

        dialog->show();
        page->findChildren<QRadioButton*>()[0]->setChecked(true);
        box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
        // Cancel leaves the scope; OK with "No view synchronization" switches all off.
        QCOMPARE(organizer()->getCurrentEnabledScope(),
                 ok ? ViewSynchronizer::NoScope : ViewSynchronizer::WindowScope);
        QCOMPARE(window.isEnabled(), !ok);
    }
}

void TestViewSynchronizer::noneScopeIsFatal()
{
    if (qEnvironmentVariableIsSet("ZEB_SYNC_CRASH")) {
        ViewSynchronizer none(nullptr, ViewSynchronizer::NoScope, true, false);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEB_SYNC_CRASH", "1");
    env.remove("ZEB_TRACEINFO");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"noneScopeIsFatal"});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::CrashExit && child.exitCode() == SIGABRT, errors.constData());
    QVERIFY2(errors.contains(" ASSERT: ViewSynchronizer Ln:  93     ViewSynchronizer "
                             "ViewSynchronizer cannot have 'None' scope!\n"),
             errors.constData());
}

QTEST_MAIN(TestViewSynchronizer)
#include "tst_viewsynchronizer.moc"
