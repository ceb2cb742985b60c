#include "Accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSet>
#include <QWidget>

namespace
{
QString spokenName(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name).trimmed() : QString();
}

bool reachable(QWidget *w)
{
    return w->isVisibleTo(w->window()) && w->isEnabled() && w->focusPolicy() != Qt::NoFocus && !w->focusProxy() &&
           !qobject_cast<QLabel *>(w);
}

QString plain(QString text)
{
    text.remove(QLatin1Char('&'));
    return text.simplified().remove(QRegularExpression(QStringLiteral("<[^>]*>")));
}

// The label just before w in the layout that holds it.
QLabel *labelBeside(QWidget *w)
{
    QWidget *parent = w->parentWidget();
    if (!parent)
        return nullptr;
    for (QLayout *layout : parent->findChildren<QLayout *>()) {
        const int at = layout->indexOf(w);
        if (at < 0)
            continue;
        if (auto *form = qobject_cast<QFormLayout *>(layout))
            return qobject_cast<QLabel *>(form->labelForField(w));
        if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
            int row, col, rs, cs;
            grid->getItemPosition(at, &row, &col, &rs, &cs);
            QLayoutItem *left = col > 0 ? grid->itemAtPosition(row, col - 1) : nullptr;
            return left ? qobject_cast<QLabel *>(left->widget()) : nullptr;
        }
        QLayoutItem *before = at > 0 ? layout->itemAt(at - 1) : nullptr;
        return before ? qobject_cast<QLabel *>(before->widget()) : nullptr;
    }
    return nullptr;
}
} // namespace

// The title of the nearest framed group that holds w; empty when none.
QString groupOf(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (auto *g = qobject_cast<QGroupBox *>(p); g && !plain(g->title()).isEmpty())
            return plain(g->title());
    return {};
}

// Whether a screen reader has a name for w already, told without asking the
// accessibility layer (which would build its objects at start-up): a name set,
// a caption of its own, or a label that is its buddy.
bool hasOwnName(QWidget *w, const QSet<QWidget *> &buddies)
{
    if (!w->accessibleName().isEmpty() || buddies.contains(w))
        return true;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return !plain(b->text()).isEmpty();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return !plain(g->title()).isEmpty();
    return false;
}

void nameControls(QWidget *window)
{
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    QSet<QWidget *> buddies;
    for (QWidget *w : widgets)
        if (auto *l = qobject_cast<QLabel *>(w); l && l->buddy())
            buddies.insert(l->buddy());
    for (QWidget *w : widgets) {
        if (w->window() != window || w->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel *>(w) ||
            hasOwnName(w, buddies))
            continue;
        QString name = plain(w->toolTip());
        if (QLabel *label = labelBeside(w); name.isEmpty() && label)
            name = plain(label->text());
        if (name.isEmpty())
            name = groupOf(w);
        // What scrolls a whole window is the window's content.
        if (name.isEmpty() && qobject_cast<QScrollArea *>(w))
            name = plain(window->windowTitle());
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

QStringList unnamedControls(QWidget *window)
{
    QStringList out;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->window() == window && reachable(w) && spokenName(w).isEmpty())
            out << QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
    return out;
}
