#include "tools/qt/ToolboxPalette.h"

#include "canvas/model/WindowFrames.h"
#include "framework/foundation/UserDefaults.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolResources.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace qv {

namespace {

// In toolbox order.
constexpr const char* kIconNames[Toolbox::ToolCount] = {
    "arrow",   "zoom", "rectangle", "oval",     "round-rectangle", "arc",
    "polygon", "text", "line",      "polyline", "bezier",          "freehand",
};

constexpr int kColumns = 2;

// The y-up axis: the bottom edge of the primary screen.
double flipAxis() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}

Size sizeOf(const QRect& r) {
    return Size(r.width(), r.height());
}

} // namespace

// ---------------------------------------------------------------------------
// ToolboxButton

ToolboxButton::ToolboxButton(QWidget* parent) : QToolButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Flat until chosen, so that the chosen tool stands out in any theme.
    setAutoRaise(true);
}

void ToolboxButton::setSticky(bool sticky) {
    if (sticky == m_Sticky)
        return;
    m_Sticky = sticky;
    update();
}

QColor ToolboxButton::stickyMarkColor(const QPalette& palette) {
    QColor color = palette.color(QPalette::ButtonText);
    color.setAlphaF(0.4f);
    return color;
}

void ToolboxButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QToolButton::mouseDoubleClickEvent(event);
        return;
    }
    // Not a press: the release that follows then sends no second clicked(),
    // which would clear the mark the double click has just set.
    event->accept();
    emit doubleClicked();
}

void ToolboxButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    if (!m_Sticky || !isChecked())
        return;
    QPainter p(this);
    p.fillRect(rect(), stickyMarkColor(palette()));
}

// ---------------------------------------------------------------------------
// ToolboxPalette

ToolboxPalette::ToolboxPalette(Toolbox& toolbox, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_Toolbox(toolbox),
      m_PlacesItself(QGuiApplication::platformName() != QLatin1String("wayland")) {
    setWindowTitle(tr("Toolbox"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The palette alone never keeps the application running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    m_Group = new QButtonGroup(this);
    m_Group->setExclusive(true);
    for (std::size_t i = 0; i < Toolbox::ToolCount; ++i) {
        auto* button = new ToolboxButton(this);
        const QString name = QString::fromUtf8(Toolbox::toolName(i));
        button->setToolTip(QStringLiteral("%1 (%2)").arg(name, QChar(Toolbox::toolKey(i))));
        button->setAccessibleName(name);
        button->setIconSize(QSize(kIconSize, kIconSize));
        grid->addWidget(button, int(i) / kColumns, int(i) % kColumns);
        m_Group->addButton(button, int(i));
        m_Buttons.push_back(button);
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            emit toolAboutToChange();
            m_Toolbox.toolSingleClicked(i);
            syncWithToolbox();
        });
        connect(button, &ToolboxButton::doubleClicked, this, [this, i] {
            emit toolAboutToChange();
            m_Toolbox.toolDoubleClicked(i);
            syncWithToolbox();
        });
    }
    updateIcons();
    grid->activate();

    m_ToggleAction = new QAction(tr("Toolbox"), this);
    m_ToggleAction->setCheckable(true);
    connect(m_ToggleAction, &QAction::toggled, this, &QWidget::setVisible);

    m_SelectionToken = NotificationCenter::defaultCenter().addObserver(
        this, QVSelectedToolDidChangeNotification, &m_Toolbox,
        [this](const Notification&) { syncWithToolbox(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ToolboxPalette::applicationWillTerminate);
    syncWithToolbox();
}

ToolboxPalette::~ToolboxPalette() {
    NotificationCenter::defaultCenter().removeObserver(m_SelectionToken);
}

QString ToolboxPalette::toolIconPath(std::size_t index) {
    if (index >= Toolbox::ToolCount)
        return {};
    return QStringLiteral(":/tools/icons/%1.svg").arg(QLatin1String(kIconNames[index]));
}

Rect ToolboxPalette::screenRectFromQt(const QRect& r) {
    return flippedRect(Rect(r.x(), r.y(), r.width(), r.height()), flipAxis());
}

QRect ToolboxPalette::qtRectFromScreen(const Rect& r) {
    const Rect f = flippedRect(r, flipAxis());
    return QRect(int(std::lround(f.x())), int(std::lround(f.y())), int(std::lround(f.width())),
                 int(std::lround(f.height())));
}

void ToolboxPalette::syncWithToolbox() {
    // Checking the selected button unchecks the others (the group is
    // exclusive, so a checked button cannot simply be unchecked).
    m_Buttons.at(m_Toolbox.selectedToolIndex())->setChecked(true);
    for (std::size_t i = 0; i < m_Buttons.size(); ++i)
        m_Buttons[i]->setSticky(m_Toolbox.isToolMarkedSticky(i));
}

void ToolboxPalette::updateIcons() {
    // The buttons inherit the window's palette, which is already the new one
    // when a change reaches the window (its children learn it after).
    const QPalette& palette = this->palette();
    for (std::size_t i = 0; i < m_Buttons.size(); ++i) {
        QIcon icon;
        for (const qreal ratio : {1.0, 2.0}) {
            for (const auto& [mode, group] : {std::pair{QIcon::Normal, QPalette::Normal},
                                              std::pair{QIcon::Disabled, QPalette::Disabled}}) {
                const QImage image = renderTintedSvgImage(
                    toolIconPath(i), palette.color(group, QPalette::ButtonText), kIconSize, ratio);
                icon.addPixmap(QPixmap::fromImage(image), mode);
            }
        }
        m_Buttons[i]->setIcon(icon);
    }
}

void ToolboxPalette::restoreState() {
    const QScreen* main = QGuiApplication::primaryScreen();
    if (m_PlacesItself && main) {
        std::vector<Rect> areas;
        for (const QScreen* screen : QGuiApplication::screens())
            areas.push_back(screenRectFromQt(screen->availableGeometry()));
        placeFrame(m_Toolbox.restoreState(sizeOf(frameGeometry()), areas,
                                          screenRectFromQt(main->availableGeometry())));
    }
    showPalette();
}

void ToolboxPalette::movePaletteHome() {
    const QScreen* main = QGuiApplication::primaryScreen();
    if (!m_PlacesItself || !main)
        return;
    placeFrame(Toolbox::movePaletteHome(sizeOf(frameGeometry()),
                                        screenRectFromQt(main->availableGeometry())));
}

void ToolboxPalette::placeFrame(const Rect& frame) {
    // A window's position is that of its frame, decorations included.
    move(qtRectFromScreen(frame).topLeft());
    m_Placed = true;
}

void ToolboxPalette::saveState() {
    if (!m_PlacesItself || !m_Placed)
        return;
    m_Toolbox.saveState(screenRectFromQt(frameGeometry()));
}

void ToolboxPalette::showPalette() {
    // A window that is shown anew comes up in front already.
    const bool wasVisible = isVisible();
    show();
    if (wasVisible)
        raise();
}

void ToolboxPalette::applicationWillTerminate() {
    saveState();
    Toolbox::userDefaults().synchronize();
}

void ToolboxPalette::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The icons are drawn in the theme's text colour.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateIcons();
}

void ToolboxPalette::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible())
        saveState();
}

void ToolboxPalette::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Once shown, the window manager has given it a place even if we did not.
    m_Placed = true;
    m_ToggleAction->setChecked(true);
}

void ToolboxPalette::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_ToggleAction->setChecked(isVisible());
}

} // namespace qv
