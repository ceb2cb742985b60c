#include "FocusFrame.h"

#include <QApplication>
#include <QFocusFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>

namespace
{
class ProgramFocusFrame : public QFocusFrame
{
public:
    using QFocusFrame::QFocusFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(FocusColour, 3));
        p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }
};
} // namespace

void installFocusFrame()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    // One frame per window: it lives in the window of the control it surrounds.
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *, QWidget *now) {
        static QPointer<ProgramFocusFrame> frame;
        if (!now || qobject_cast<QMenu *>(now) || qobject_cast<QMenuBar *>(now) || now->isWindow()) {
            if (frame)
                frame->setWidget(nullptr);
            return;
        }
        if (!frame || frame->window() != now->window()) {
            delete frame;
            frame = new ProgramFocusFrame(now->window());
            frame->setObjectName(QStringLiteral("focusFrame"));
        }
        frame->setWidget(now);
    });
}
