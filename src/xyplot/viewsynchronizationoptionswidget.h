#ifndef ZEBPLOT_VIEWSYNCHRONIZATIONOPTIONSWIDGET_H
#define ZEBPLOT_VIEWSYNCHRONIZATIONOPTIONSWIDGET_H

#include "zebplot_export.h"

#include <QWidget>

class QDialog;
class QRadioButton;
class QVBoxLayout;

/// An options page choosing the view synchronization scope with four radio
/// buttons.
///
/// The page shows the organizer's current scope when it is built and hands the
/// chosen one to the organizer when it is accepted.  It neither reads nor writes
/// the settings file; the host does that through the organizer.  It can wrap
/// itself into a dialog with OK and Cancel.
class ZEBPLOT_EXPORT ViewSynchronizationOptionsWidget : public QWidget
{
    Q_OBJECT

public:
    /// Without offerFileScope the per-file choice is hidden (for hosts that open
    /// one file only); it still shows as the checked one when it is the current
    /// scope.
    ViewSynchronizationOptionsWidget(QWidget* parent, bool offerFileScope);
    ~ViewSynchronizationOptionsWidget() override;

    /// Builds the four radio buttons ("No view synchronization" and the three scopes); only the first
    /// call does anything.  The constructor calls it.
    void setupWidgets();
    /// Checks the button of the organizer's current scope.
    void setWidgetContentsFromSettings();
    /// Makes the scope of the checked button current; with none checked nothing
    /// changes.
    void setSettingsFromWidgetContents();
    /// Puts the page into a new dialog with OK and Cancel: OK applies the choice
    /// and closes the dialog, Cancel only closes it.  The dialog becomes the
    /// page's parent and belongs to the caller.
    QDialog* turnIntoDialog(QWidget* parent);

signals:
    /// The choice was applied by accept().
    void accepted();

public slots:
    /// Applies the choice, then emits accepted().
    void accept();

protected:
    /// The construction flag and the page's widgets (owned through Qt parenthood).
    ///@{
    bool offerFileScope;
    QVBoxLayout* buttonLayout = nullptr;
    QRadioButton* noSynchronizationButton = nullptr;
    QRadioButton* windowScopeButton = nullptr;
    QRadioButton* fileScopeButton = nullptr;
    QRadioButton* applicationScopeButton = nullptr;
    ///@}

private:
    Q_DISABLE_COPY(ViewSynchronizationOptionsWidget)
};

#endif
