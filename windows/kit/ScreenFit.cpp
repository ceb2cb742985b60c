#include "ScreenFit.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

namespace
{
QSettings windowSettings()
{
    return QSettings(windowSettingsOrganization(), QStringLiteral("windows"));
}

QRect availableFor(const QWidget *w)
{
    const QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 600);
}

// What the desktop adds around the window's own area: known from the window
// once the desktop has framed it, else from the visible window it belongs to,
// which the same desktop framed, else a usual title bar and border.
QMargins frameOf(const QWidget *w)
{
    auto framed = [](const QWidget *x) {
        const QWindow *handle = x->windowHandle();
        return handle ? handle->frameMargins() : QMargins();
    };
    if (const QMargins m = framed(w); !m.isNull() || QGuiApplication::platformName() == u"offscreen")
        return m;
    if (const QWidget *owner = w->parentWidget() ? w->parentWidget()->window() : nullptr; owner && owner->isVisible())
        return framed(owner);
    return {4, 32, 4, 4};
}

// Restores the place on the first showing, saves it on every hiding.
class GeometryKeeper : public QObject
{
public:
    GeometryKeeper(QWidget *w, QSize preferred) : QObject(w), m_window(w), m_preferred(preferred) {}

    bool eventFilter(QObject *o, QEvent *e) override
    {
        // Showing a window makes it on the desktop, then polishes it, then
        // lays out its controls: placed then, its controls are laid out once,
        // at the size it keeps, not first at the size it was made with. A
        // window polished before it was shown is placed when it shows.
        const bool showing = e->type() == QEvent::Show ||
                             (e->type() == QEvent::Polish && m_window->testAttribute(Qt::WA_WState_Created));
        if (o == m_window && showing && !m_placed) {
            m_placed = true;
            restore();
        } else if (o == m_window && e->type() == QEvent::Hide && m_placed) {
            save();
        }
        return false;
    }

private:
    QString key() const { return m_window->objectName() + QStringLiteral("/geometry"); }

    // At least as large as the content wants, where the screen allows. Laying
    // out the content to learn that takes time, so it is asked only for a
    // window that has no place of its own yet.
    QSize wanted() const
    {
        QSize size = m_preferred;
        if (auto *area = m_window->findChild<QScrollArea *>(m_window->objectName() + QStringLiteral("Scroll"));
            area && area->widget()) {
            // Asked while the window is being polished: its controls' sizes
            // are those of their style.
            area->widget()->ensurePolished();
            size =
                size.expandedTo(area->widget()->sizeHint() + QSize(area->verticalScrollBar()->sizeHint().width(), 0));
        }
        return size;
    }

    // A place that did not change is not written again: writing the settings
    // waits for the disk, on every closing of the program.
    void save()
    {
        QSettings settings = windowSettings();
        if (settings.value(key()).toRect() != m_window->geometry())
            settings.setValue(key(), m_window->geometry());
    }

    void restore()
    {
        const QRect saved = windowSettings().value(key()).toRect();
        // Never placed before: a top-left outside every screen centres it.
        const QRect wished = saved.isValid() ? saved : QRect(QPoint(-100000, -100000), wanted());
        m_window->setGeometry(placeWithin(wished, availableFor(m_window), frameOf(m_window)));
    }

    QWidget *m_window;
    QSize m_preferred;
    bool m_placed = false;
};
} // namespace

QString windowSettingsOrganization()
{
    return QStringLiteral("Trivo");
}

QWidget *scrollingContent(QWidget *window)
{
    auto *area = new QScrollArea;
    area->setObjectName(window->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    auto *content = new QWidget;
    content->setObjectName(window->objectName() + QStringLiteral("Content"));
    area->setWidget(content);
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        main->setCentralWidget(area);
    } else {
        auto *l = new QVBoxLayout(window);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(area);
    }
    return content;
}

QHBoxLayout *fixedFooter(QWidget *window)
{
    auto *row = new QHBoxLayout;
    const QStyle *style = window->style();
    row->setContentsMargins(style->pixelMetric(QStyle::PM_LayoutLeftMargin), 0,
                            style->pixelMetric(QStyle::PM_LayoutRightMargin),
                            style->pixelMetric(QStyle::PM_LayoutBottomMargin));
    static_cast<QBoxLayout *>(window->layout())->addLayout(row);
    return row;
}

QRect placeWithin(const QRect &wished, const QRect &available, const QMargins &frame)
{
    const QRect inner = available.marginsRemoved(frame);
    QRect r(wished.topLeft(), wished.size().boundedTo(inner.size()));
    if (!available.contains(wished.topLeft()))
        r.moveCenter(inner.center());
    // Whatever part of the window or its frame would lie outside comes back in.
    if (r.right() > inner.right())
        r.moveRight(inner.right());
    if (r.bottom() > inner.bottom())
        r.moveBottom(inner.bottom());
    if (r.left() < inner.left())
        r.moveLeft(inner.left());
    if (r.top() < inner.top())
        r.moveTop(inner.top());
    return r;
}

void keepGeometry(QWidget *window, QSize preferred)
{
    window->installEventFilter(new GeometryKeeper(window, preferred));
    window->resize(preferred.boundedTo(availableFor(window).size()));
}

void fitColumns(QTableView *grid, const QList<int> &textColumns, bool wrapRows)
{
    QHeaderView *h = grid->horizontalHeader();
    h->setStretchLastSection(false);
    h->setMinimumSectionSize(24);
    const int columns = grid->model() ? grid->model()->columnCount() : 0;
    for (int c = 0; c < columns; ++c)
        h->setSectionResizeMode(c, textColumns.contains(c) ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    grid->setWordWrap(true);
    if (wrapRows)
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}
