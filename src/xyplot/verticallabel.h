#ifndef ZEBPLOT_VERTICALLABEL_H
#define ZEBPLOT_VERTICALLABEL_H

#include "zebplot_export.h"

#include <QFont>
#include <QLabel>
#include <QString>

/// A label whose line of text is turned by 90 degrees and reads from bottom to
/// top; the plot uses it for the y-axis title.
///
/// The label shows only a pixmap rendered from the text, so QLabel's own text
/// stays empty.  The pixmap is as wide as the font is high and as tall as the
/// text is long.  It is rendered when the text is set and by setFontAndUpdate;
/// QWidget::setFont alone leaves the old rendering in place.
class ZEBPLOT_EXPORT VerticalLabel : public QLabel
{
    Q_OBJECT

public:
    /// Renders text at once with the widget's font.
    explicit VerticalLabel(QString text = QString(), QWidget* parent = nullptr);
    ~VerticalLabel() override;

    /// Stores the text and renders it.  Hides QLabel::setText on purpose: the
    /// label must never show the text unrotated.
    void setText(QString text);
    /// The text last set (QLabel::text() stays empty).
    QString text() const;
    /// Stores the text and renders it with the widget's current font and
    /// window-text colour; an empty text gives an empty pixmap.
    void setTextPixmap(QString text);
    /// Sets the widget's font and renders the current text again with it.
    void setFontAndUpdate(QFont font);

protected:
    /// The text shown.  (Not named after the accessor: C++ does not allow a
    /// data member and a member function of the same name.)
    QString labelText;
};

#endif
