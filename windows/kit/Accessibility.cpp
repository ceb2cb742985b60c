#include "Accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
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
    // Most captions hold no markup: the expression is made once and used only for those that do.
    static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
    return text.contains(u'<') ? text.simplified().remove(markup) : text.simplified();
}

// For every widget of the window that a layout holds, the label just before
// it in that layout (the one on its left in a grid, its row's label in a
// form), found in one pass over the layouts.
QHash<QWidget *, QLabel *> labelsBeside(QWidget *window)
{
    QHash<QWidget *, QLabel *> beside;
    for (QLayout *layout : window->findChildren<QLayout *>()) {
        if (auto *form = qobject_cast<QFormLayout *>(layout)) {
            for (int row = 0; row < form->rowCount(); ++row) {
                QLayoutItem *label = form->itemAt(row, QFormLayout::LabelRole);
                QLayoutItem *field = form->itemAt(row, QFormLayout::FieldRole);
                if (label && field && field->widget())
                    if (auto *l = qobject_cast<QLabel *>(label->widget()))
                        beside.insert(field->widget(), l);
            }
            continue;
        }
        auto *grid = qobject_cast<QGridLayout *>(layout);
        for (int i = 0; i < layout->count(); ++i) {
            QWidget *w = layout->itemAt(i)->widget();
            if (!w)
                continue;
            QLayoutItem *left = nullptr;
            if (grid) {
                int row, col, rs, cs;
                grid->getItemPosition(i, &row, &col, &rs, &cs);
                left = col > 0 ? grid->itemAtPosition(row, col - 1) : nullptr;
            } else if (i > 0) {
                left = layout->itemAt(i - 1);
            }
            if (auto *l = left ? qobject_cast<QLabel *>(left->widget()) : nullptr)
                beside.insert(w, l);
        }
    }
    return beside;
}

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

} // namespace

void nameControls(QWidget *window)
{
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    QSet<QWidget *> buddies;
    for (QWidget *w : widgets)
        if (auto *l = qobject_cast<QLabel *>(w); l && l->buddy())
            buddies.insert(l->buddy());
    const QHash<QWidget *, QLabel *> beside = labelsBeside(window);
    for (QWidget *w : widgets) {
        if (w->window() != window || w->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel *>(w) ||
            hasOwnName(w, buddies))
            continue;
        QString name = plain(w->toolTip());
        if (QLabel *label = beside.value(w); name.isEmpty() && label)
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

namespace
{
// What a screen reader reads out as a thing to use, beside the widgets
// themselves: the text field inside an editable box and the items of its list.
bool usable(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::EditableText:
    case QAccessible::ListItem:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::PushButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
        return true;
    default:
        return false;
    }
}

// The parts of a control, as the accessibility tree holds them, that have no name.
void unnamedParts(QAccessibleInterface *a, const QString &owner, int depth, QStringList &out)
{
    if (!a || depth > 3)
        return;
    for (int i = 0; i < a->childCount(); ++i) {
        QAccessibleInterface *c = a->child(i);
        if (!c || (c->object() && c->object()->isWidgetType() && !c->object()->parent()))
            continue;
        if (usable(c->role()) && c->text(QAccessible::Name).trimmed().isEmpty())
            out << owner + (c->role() == QAccessible::ListItem ? QStringLiteral(" › пункт %1").arg(i + 1)
                                                               : QStringLiteral(" › поле"));
        // Item views list every row: their items are looked at, not their cells' parts.
        if (c->role() != QAccessible::ListItem)
            unnamedParts(c, owner, depth + 1, out);
    }
}
} // namespace

QStringList unnamedControls(QWidget *window)
{
    QStringList out;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->window() != window || !reachable(w))
            continue;
        const QString owner =
            QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
        if (spokenName(w).isEmpty())
            out << owner;
        // Inside a box: its text field and its list's items.
        if (w->inherits("QComboBox"))
            unnamedParts(QAccessible::queryAccessibleInterface(w), owner, 0, out);
    }
    return out;
}
