#include "WidgetKit.h"
#include "Desktop.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>

QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}

QLineEdit *namedEdit(const QString &name, const QString &hint, const QString &text)
{
    auto *e = new QLineEdit(text);
    e->setObjectName(name);
    e->setToolTip(hint);
    return e;
}

QTableView *namedGrid(const QString &name, QAbstractItemModel *model, const QString &spoken)
{
    auto *v = new QTableView;
    v->setObjectName(name);
    v->setAccessibleName(spoken);
    v->setModel(model);
    v->horizontalHeader()->setStretchLastSection(true);
    // Tab goes on to the next control; the arrow keys move inside the grid.
    v->setTabKeyNavigation(false);
    return v;
}

QColor paintColour(ColorCode c)
{
    return QColor::fromRgb(QRgb(colorToRgb(c)));
}

void paintBackground(QWidget *w, ColorCode c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, paintColour(c));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

namespace
{
class SelectOnFocus : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::FocusIn) {
            // After the event: a click places the cursor once focus has come,
            // which would undo a selection made now.
            auto *box = static_cast<QLineEdit *>(watched);
            QTimer::singleShot(0, box, [box] {
                if (box->hasFocus())
                    box->selectAll();
            });
        }
        return false;
    }
};
} // namespace

void selectAllOnFocus(QLineEdit *box)
{
    box->installEventFilter(new SelectOnFocus(box));
}

bool mayCloseWithEdits(QWidget *window, const QString &question, const std::function<bool()> &store)
{
    switch (desktop().ask(question, window->windowTitle())) {
    case Desktop::Answer::Yes:
        return store();
    case Desktop::Answer::No:
        return true;
    case Desktop::Answer::Cancel:
        break;
    }
    return false;
}
