#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

namespace pikoro {

// True when text, laid out with flags, fits in room when drawn in font: its width alone for
// one line, width and height when Qt::TextWordWrap wraps it.
bool textFits(const QFont &font, const QString &text, const QSize &room, int flags = 0);
// The font, made smaller step by step until text fits in room (see textFits), but never below
// a size that can still be read; the font itself when the text fits already.
QFont fontToFit(const QFont &font, const QString &text, const QSize &room, int flags = 0);

// Common ground of the three-dimensional button, panel and check box: a caption in a font and
// colour, a position and size in twips (15 twips to a pixel, times a zoom factor that also
// scales the font), an index within a control array and a click signal carrying it.
//
// Clicks come from the left mouse button (pressed and released over the control) or from
// click(); keys never click a control. Space, Return and every other key go on to the parent,
// where the window decides what a key means.
class ThreeDControl : public QWidget {
    Q_OBJECT
public:
    // index: position in a control array, or -1 for a control on its own.
    explicit ThreeDControl(QWidget *parent = nullptr, int index = -1);

    // Pixels for a twips coordinate at a zoom factor (see pikoro::twipsToPixels).
    static int twipsToPixels(int twips, double zoom);

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // Caption colour of an enabled control.
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &color);

    // The caption font at zoom 1; the control shows it scaled by zoom(), and smaller still where
    // the caption would not fit in captionRect() otherwise. Point sizes are taken at 96 dots
    // per inch so that captions keep their size relative to the twips layout.
    QFont captionFont() const { return m_designFont; }
    void setCaptionFont(const QFont &font);

    // Position within the parent and size, in twips. Pixel edges are rounded separately, so
    // controls that touch in twips touch on screen at every zoom.
    QRect geometryTwips() const { return m_twips; }
    void setGeometryTwips(int left, int top, int width, int height);
    void moveTwips(int left, int top);
    void resizeTwips(int width, int height);
    int leftTwips() const { return m_twips.x(); }
    int topTwips() const { return m_twips.y(); }
    int widthTwips() const { return m_twips.width(); }
    int heightTwips() const { return m_twips.height(); }

    double zoom() const { return m_zoom; }
    // Sets the factor applied to positions, sizes and the font; values below 0.1 count as 0.1.
    void setZoom(double zoom);

    // Clicks the control from code, as a mouse click would; a disabled control ignores it.
    void click();

    // Where the caption is drawn, in the control's own pixels.
    virtual QRect captionRect() const { return rect(); }

signals:
    void clicked(int index);
    void gotFocus(int index);
    void lostFocus(int index);

protected:
    // What a click changes in the control itself before clicked() is emitted.
    virtual void activate() {}
    // True while the left button is held down over the control.
    bool isPressed() const { return m_pressed; }

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // Bevel edges in pixels for a design width in pixels at the current zoom (at least 1).
    int scaled(int designPixels) const;
    // Draws a bevel of the given width inside rect: light top-left and dark bottom-right when
    // raised, the other way round when sunk.
    static void drawBevel(QPainter &painter, const QRect &rect, int width, bool raised);
    // Draws the caption in rect with the control's font, in foreColor() or greyed when disabled.
    void drawCaption(QPainter &painter, const QRect &rect, int flags) const;
    // The size of the caption's text in the caption font at the zoom, before any fitting.
    QSize captionTextSize() const;

private:
    void applyGeometry();
    void applyFont();
    QFont zoomedFont() const;

    int m_index;
    QString m_caption;
    QColor m_foreColor{Qt::black};
    QColor m_backColor{0xC0, 0xC0, 0xC0};
    QFont m_designFont;
    QRect m_twips;
    bool m_placedInTwips = false; // else a layout places the control
    double m_zoom = 1.0;
    bool m_pressed = false;
    bool m_mouseDown = false;
};

// A push button with a raised bevel that sinks while it is pressed.
class ThreeDButton : public ThreeDControl {
    Q_OBJECT
public:
    explicit ThreeDButton(QWidget *parent = nullptr, int index = -1);
    QRect captionRect() const override;
    // Room for the whole caption in the font at the zoom, for a layout; a layout gives no less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A framed panel: an outer and an inner bevel with a border between them and an optional
// caption. It holds other controls and reports clicks like the others.
class ThreeDPanel : public ThreeDControl {
    Q_OBJECT
public:
    enum class Bevel { None, Inset, Raised };

    explicit ThreeDPanel(QWidget *parent = nullptr, int index = -1);

    Bevel bevelOuter() const { return m_outer; }
    void setBevelOuter(Bevel bevel);
    Bevel bevelInner() const { return m_inner; }
    void setBevelInner(Bevel bevel);
    // Bevel width and the gap between the two bevels, in pixels at zoom 1.
    void setBevelWidth(int pixels);
    void setBorderWidth(int pixels);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    QRect captionRect() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The area inside the bevels and the border.
    QRect innerArea() const;

    Bevel m_outer = Bevel::Raised;
    Bevel m_inner = Bevel::None;
    int m_bevelWidth = 1;
    int m_borderWidth = 3;
    Qt::Alignment m_alignment = Qt::AlignCenter;
};

// A check box: a sunken box with a tick and the caption to its right. A click toggles it.
class ThreeDCheck : public ThreeDControl {
    Q_OBJECT
public:
    explicit ThreeDCheck(QWidget *parent = nullptr, int index = -1);

    bool isChecked() const { return m_checked; }
    // Sets the state; a change emits toggled(), never clicked(), which only the user's click
    // (or activate()) emits.
    void setChecked(bool checked);
    QRect captionRect() const override;
    // Room for the whole caption in the font at the zoom, for a layout; a layout gives no less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void toggled(bool checked);

protected:
    void activate() override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect tickBox() const;

    bool m_checked = false;
};

// Sets the zoom of root, if it is a 3-D control, and of every 3-D control inside it that
// belongs to the same window (not those of dialogs parented to it).
void applyZoom(QWidget *root, double zoom);

} // namespace pikoro
