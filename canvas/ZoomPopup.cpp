#include "canvas/ZoomPopup.h"

#include "canvas/model/CanvasGeometry.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

#include <cmath>

namespace qv {
namespace {

// Item data of the two fitting choices; steps carry their zoom.
constexpr double kFitPage = -1;
constexpr double kFitSelection = -2;

} // namespace

ZoomPopup::ZoomPopup(QWidget* parent) : QWidget(parent), m_Combo(new QComboBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 1, 1);
    layout->addWidget(m_Combo);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    m_Combo->setEditable(true);
    m_Combo->setInsertPolicy(QComboBox::NoInsert);
    m_Combo->setFocusPolicy(Qt::ClickFocus);
    m_Combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    for (int percent : percentages())
        m_Combo->addItem(zoomText(percent / 100.0), percent / 100.0);
    m_Combo->insertSeparator(m_Combo->count());
    m_Combo->addItem(tr("Fit Page"), kFitPage);
    m_Combo->addItem(tr("Fit Selection"), kFitSelection);
    connect(m_Combo, &QComboBox::activated, this, &ZoomPopup::itemActivated);
    connect(m_Combo->lineEdit(), &QLineEdit::returnPressed, this, &ZoomPopup::textEntered);
    connect(m_Combo->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // Leaving the field without Enter shows the zoom again.
        m_Combo->lineEdit()->setText(zoomText(m_Zoom));
    });
    setZoom(1);
}

const QList<int>& ZoomPopup::percentages() {
    static const QList<int> list{25, 50, 75, 100, 150, 200, 400, 800, 1600};
    return list;
}

QString ZoomPopup::zoomText(double zoom) {
    const double percent = zoom * 100;
    const double rounded = std::round(percent * 10) / 10;
    return QString::number(rounded, 'f', rounded == std::round(rounded) ? 0 : 1) +
           QStringLiteral(" %");
}

std::optional<double> ZoomPopup::zoomForText(const QString& text, double current) {
    QString t = text.trimmed();
    if (t.endsWith(QLatin1Char('%')))
        t.chop(1);
    bool ok = false;
    const double percent = t.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(percent))
        return std::nullopt;
    return clampedZoom(percent / 100, current);
}

void ZoomPopup::setZoom(double zoom) {
    m_Zoom = zoom;
    const QSignalBlocker block(m_Combo);
    m_Combo->setCurrentIndex(-1);
    m_Combo->lineEdit()->setText(zoomText(zoom));
}

void ZoomPopup::itemActivated(int index) {
    const double value = m_Combo->itemData(index).toDouble();
    // The field shows the zoom, not the choice, whatever follows.
    setZoom(m_Zoom);
    if (value == kFitPage)
        emit fitPageRequested();
    else if (value == kFitSelection)
        emit fitSelectionRequested();
    else if (value > 0)
        emit zoomRequested(value);
}

void ZoomPopup::textEntered() {
    const std::optional<double> zoom = zoomForText(m_Combo->lineEdit()->text(), m_Zoom);
    if (!zoom) {
        setZoom(m_Zoom);
        return;
    }
    // Shown at once, also when it is the zoom already (a clamped value).
    setZoom(*zoom);
    emit zoomRequested(*zoom);
}

void ZoomPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    // A light line along the top edge and down the right edge.
    p.setPen(QPen(palette().color(QPalette::Midlight), 1));
    p.drawLine(QPointF(0, 0.5), QPointF(width() - 0.5, 0.5));
    p.drawLine(QPointF(width() - 0.5, 0.5), QPointF(width() - 0.5, height()));
}

} // namespace qv
