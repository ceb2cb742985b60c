#include "Mnemonics.h"
#include "Accessibility.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace
{
const char *const PropertyGiven = "trivoMnemonicsGiven";

QString captionOf(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    return {};
}

// The place in caption for the '&': the first free letter beginning a word,
// else the first free letter or digit; -1 when there is none.
qsizetype placeFor(const QString &caption, const QSet<QChar> &taken)
{
    for (int pass = 0; pass < 2; ++pass)
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const QChar c = caption[i];
            const bool startsWord = i == 0 || !caption[i - 1].isLetterOrNumber();
            if (c.isLetterOrNumber() && (pass == 1 || startsWord) && !taken.contains(c.toUpper()))
                return i;
        }
    return -1;
}

// The widget of window whose mnemonic is letter, enabled and shown.
QWidget *holderOf(QWidget *window, QChar letter)
{
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->isVisible() && w->isEnabled() && mnemonicOf(captionOf(w)) == letter &&
            (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w)))
            return w;
    return nullptr;
}

QAction *actionOf(const QList<QAction *> &actions, QChar letter)
{
    for (QAction *a : actions)
        if (a->isVisible() && a->isEnabled() && mnemonicOf(a->text()) == letter)
            return a;
    return nullptr;
}

class LayoutFreeMnemonics : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::Show) {
            auto *window = qobject_cast<QWidget *>(watched);
            if (window && window->isWindow() && !window->property(PropertyGiven).toBool() &&
                (qobject_cast<QDialog *>(window) || qobject_cast<QMainWindow *>(window))) {
                window->setProperty(PropertyGiven, true);
                if (qobject_cast<QDialog *>(window))
                    giveMnemonics(window);
                nameControls(window);
            }
            return false;
        }
        if (e->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(e);
        const QString text = key->text();
        QChar latin = text.size() == 1 ? text[0] : QChar();
        // With Alt held the text may be empty: take the key itself. The keys
        // of Ж, Э, Б, Ю, Х, Ъ and Ё are punctuation on the Latin layout, and
        // their Qt key codes are those characters.
        if (latin.isNull() && key->key() > Qt::Key_Space && key->key() <= Qt::Key_AsciiTilde)
            latin = QChar(key->key());
        const QChar letter = russianLetterOnKey(latin);
        if (letter.isNull())
            return false;
        // Shift changes nothing: ':' is the key of Ж as much as ';' is.
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if (mods == Qt::NoModifier) {
            auto *menu = qobject_cast<QMenu *>(watched);
            QAction *a = menu ? actionOf(menu->actions(), letter) : nullptr;
            if (!a)
                return false;
            if (a->menu())
                menu->setActiveAction(a);
            else {
                menu->hide();
                a->trigger();
            }
            return true;
        }
        if (mods != Qt::AltModifier)
            return false;
        auto *w = qobject_cast<QWidget *>(watched);
        QWidget *window = w ? w->window() : QApplication::activeWindow();
        if (!window)
            return false;
        if (auto *main = qobject_cast<QMainWindow *>(window); main && main->menuWidget())
            if (QAction *a = actionOf(main->menuBar()->actions(), letter)) {
                if (a->menu())
                    main->menuBar()->setActiveAction(a);
                else
                    a->trigger();
                return true;
            }
        QWidget *holder = holderOf(window, letter);
        if (auto *b = qobject_cast<QAbstractButton *>(holder)) {
            b->setFocus(Qt::ShortcutFocusReason);
            b->animateClick();
            return true;
        }
        if (auto *l = qobject_cast<QLabel *>(holder); l && l->buddy()) {
            l->buddy()->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return false;
    }
};
} // namespace

QChar mnemonicOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i)
        if (caption[i] == u'&') {
            if (caption[i + 1] != u'&')
                return caption[i + 1].toUpper();
            ++i; // "&&" is an ampersand
        }
    return {};
}

QChar russianLetterOnKey(QChar latin)
{
    // Each Russian letter's key, unshifted and shifted.
    static const QString qwerty = QStringLiteral("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`{}:\"<>~");
    static const QString russian = QStringLiteral("ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁХЪЖЭБЮЁ");
    const qsizetype at = qwerty.indexOf(latin.toUpper());
    return at < 0 ? QChar() : russian[at];
}

void giveMnemonics(QWidget *window)
{
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    QSet<QChar> taken;
    for (QWidget *w : widgets)
        if (const QChar c = mnemonicOf(captionOf(w)); !c.isNull())
            taken.insert(c);
    for (QWidget *w : widgets) {
        auto *b = qobject_cast<QAbstractButton *>(w);
        if (!b || b->text().contains(u'&'))
            continue;
        const qsizetype at = placeFor(b->text(), taken);
        if (at < 0)
            continue;
        taken.insert(b->text()[at].toUpper());
        b->setText(QString(b->text()).insert(at, u'&'));
    }
}

void installLayoutFreeMnemonics()
{
    static LayoutFreeMnemonics *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new LayoutFreeMnemonics(qApp);
    qApp->installEventFilter(filter);
}
