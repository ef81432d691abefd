#ifndef ZEBPLOT_VERTICALSCROLLBAR_H
#define ZEBPLOT_VERTICALSCROLLBAR_H

#include <QScrollBar>

class QMouseEvent;

/// The scroll bar beside the y axis.  Its minimum is at the bottom, as on the
/// axis (inverted appearance), and its arrows and page areas move the handle
/// the way they point: the top arrow and the page above the handle increase
/// the value, the bottom arrow and the page below decrease it.  A standard
/// scroll bar with inverted appearance would move the handle away from the
/// arrow that was pressed.
///
/// Internal to the library: the plot creates it and hands it to its canvas,
/// which drives it like any other QScrollBar.
class VerticalScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    explicit VerticalScrollBar(QWidget* parent = nullptr);
    ~VerticalScrollBar() override;

protected:
    /// A press on an arrow or page area triggers the action at once and repeats
    /// it after 500 ms every 50 ms until the release.  Presses elsewhere (the
    /// handle, the groove) get the standard handling.
    void mousePressEvent(QMouseEvent* event) override;
    /// Stops the repetition.  A drag of the handle is also ended the standard
    /// way, so that the handle does not stay pressed.
    void mouseReleaseEvent(QMouseEvent* event) override;
};

#endif
