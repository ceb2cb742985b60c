#include "WidgetKit.h"
#include "Desktop.h"
#include "ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSettings>
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
    if (model)
        v->setModel(model);
    v->horizontalHeader()->setStretchLastSection(true);
    // Tab goes on to the next control; the arrow keys move inside the grid.
    v->setTabKeyNavigation(false);
    return v;
}

QColor paintColour(ColorCode c)
{
    if (highContrastChosen())
        return Qt::white;
    return QColor::fromRgb(QRgb(colorToRgb(c)));
}

namespace
{
const QString HighContrastKey = QStringLiteral("view/highContrast");

QPalette highContrastPalette()
{
    QPalette p(Qt::black, Qt::white);
    for (auto role :
         {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase, QPalette::ToolTipBase})
        p.setColor(role, Qt::white);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        p.setColor(role, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0, 0, 160));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(90, 90, 90));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(90, 90, 90));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(90, 90, 90));
    return p;
}
} // namespace

bool highContrastChosen()
{
    return QSettings(windowSettingsOrganization(), QStringLiteral("windows")).value(HighContrastKey, false).toBool();
}

void chooseHighContrast(bool on)
{
    QSettings(windowSettingsOrganization(), QStringLiteral("windows")).setValue(HighContrastKey, on);
    applyColourScheme();
}

void applyColourScheme()
{
    static const QPalette usual = QApplication::palette();
    const bool on = highContrastChosen();
    QApplication::setPalette(on ? highContrastPalette() : usual);
    // A focus that can be seen from the back of the classroom.
    qApp->setStyleSheet(on ? QStringLiteral("QPushButton:focus, QLineEdit:focus, QComboBox:focus, "
                                            "QCheckBox:focus, QAbstractItemView:focus, QTextEdit:focus "
                                            "{ border: 3px solid rgb(0, 0, 160); }")
                           : QString());
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
