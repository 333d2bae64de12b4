#pragma once
// The zoom control at the left end of the horizontal scroll bar: it shows the
// canvas's zoom and offers the steps from 25 to 1600 %, Fit Page and Fit
// Selection. A typed percentage is taken within the canvas's limits.

#include <QWidget>

#include <optional>

class QComboBox;

namespace qv {

class ZoomPopup : public QWidget {
    Q_OBJECT

public:
    explicit ZoomPopup(QWidget* parent = nullptr);

    // The percentages offered, in order.
    static const QList<int>& percentages();
    // "100 %", "87.5 %": whole percentages without decimals.
    static QString zoomText(double zoom);
    // The zoom a typed percentage asks for ("250", "250 %", "87.5%"),
    // clamped to the canvas's limits; nothing for text that is not a number.
    static std::optional<double> zoomForText(const QString& text, double current);

    QComboBox* comboBox() const { return m_Combo; }

public slots:
    // Shows the canvas's zoom.
    void setZoom(double zoom);

signals:
    void zoomRequested(double zoom);
    void fitPageRequested();
    void fitSelectionRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void itemActivated(int index);
    void textEntered();

    QComboBox* m_Combo;
    double m_Zoom = 1;
};

} // namespace qv
