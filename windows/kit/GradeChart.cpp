#include "GradeChart.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace
{
const QString dayFormat = QStringLiteral("dd.MM");
constexpr double gradeLow = 1.5, gradeHigh = 5.5; // the grades 2 to 5 with room above and below

// A round top for the count axis and the step of its labels: 1, 2, 5, 10, 20, 50...
// so that there are at most five steps; at least one step, so nothing divides by zero.
std::pair<qint64, qint64> countScale(const std::vector<int> &counts)
{
    qint64 most = 0;
    for (int n : counts)
        most = std::max<qint64>(most, n);
    qint64 step = 1;
    for (int m = 0; most > step * 5; ++m)
        step = m % 3 == 1 ? step * 5 / 2 : step * 2;
    return {std::max(step, (most + step - 1) / step * step), step};
}

QColor faded(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}
} // namespace

GradeChart::GradeChart(QWidget *parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void GradeChart::showLine(const QString &title, std::vector<Point> points)
{
    std::erase_if(points, [](const Point &pt) { return !pt.first.isValid(); });
    std::stable_sort(points.begin(), points.end(), [](const Point &a, const Point &b) { return a.first < b.first; });
    m_kind = Kind::Line;
    m_title = title;
    m_points = std::move(points);
    m_categories.clear();
    m_counts.clear();
    update();
}

void GradeChart::showBars(const QString &title, const QStringList &categories, std::vector<int> counts)
{
    counts.resize(size_t(categories.size()), 0);
    for (int &n : counts)
        n = std::max(n, 0);
    m_kind = Kind::Bars;
    m_title = title;
    m_points.clear();
    m_categories = categories;
    m_counts = std::move(counts);
    update();
}

void GradeChart::showMessage(const QString &title)
{
    m_kind = Kind::Message;
    m_title = title;
    m_points.clear();
    m_categories.clear();
    m_counts.clear();
    update();
}

void GradeChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor text = palette().color(QPalette::Text);
    const QFontMetrics fm(font());
    const QRect r = rect().adjusted(8, 6, -8, -6);

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(text);
    const QFontMetrics bfm(bold);
    p.drawText(QRect(r.left(), r.top(), r.width(), bfm.height()), Qt::AlignCenter,
               bfm.elidedText(m_title, Qt::ElideRight, r.width()));
    if (m_kind == Kind::Message)
        return;
    p.setFont(font());

    // The value axis: grades 2 to 5, or counts from 0 to a round top.
    const auto [top, step] = countScale(m_counts);
    const bool bars = m_kind == Kind::Bars;
    const double low = bars ? 0 : gradeLow, high = bars ? double(top) : gradeHigh;
    const qint64 first = bars ? 0 : 2, last = bars ? top : 5;
    const int labelWidth = fm.horizontalAdvance(QString::number(last));
    // Room above the plot for the count over the tallest bar, below it for the dates or categories.
    QRect plot(r.left() + labelWidth + 6, r.top() + bfm.height() + fm.height() / 2 + (bars ? fm.height() : 0), 0, 0);
    plot.setRight(r.right() - 4);
    plot.setBottom(r.bottom() - fm.height() - 4);
    if (plot.width() < 8 || plot.height() < 8)
        return; // too small for more than the title

    for (qint64 v = first; v <= last; v += bars ? step : 1) {
        const double y = plot.bottom() - (double(v) - low) / (high - low) * plot.height();
        p.setPen(faded(text, 40));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(text);
        p.drawText(QRectF(r.left(), y - fm.height() / 2.0, labelWidth, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    p.setPen(faded(text, 150));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    if (bars)
        paintBars(p, plot, top);
    else
        paintLine(p, plot);
}

void GradeChart::paintLine(QPainter &p, const QRect &plot)
{
    if (m_points.empty())
        return;
    const QFontMetrics fm(font());
    // Kept in from both ends so that the first and the last date fit under their dots.
    const int inset = fm.horizontalAdvance(QStringLiteral("00.00")) / 2 + 4;
    const double left = plot.left() + inset, width = std::max(0, plot.width() - 2 * inset);
    const qint64 t0 = m_points.front().first.toMSecsSinceEpoch();
    const qint64 span = m_points.back().first.toMSecsSinceEpoch() - t0;
    QPolygonF line;
    for (const auto &[at, grade] : m_points) {
        // One run, or all of them at one minute, stand in the middle.
        const double x =
            span > 0 ? left + double(at.toMSecsSinceEpoch() - t0) / double(span) * width : left + width / 2;
        const double g = std::clamp(double(grade), gradeLow, gradeHigh);
        line << QPointF(x, plot.bottom() - (g - gradeLow) / (gradeHigh - gradeLow) * plot.height());
    }
    const QColor ink = palette().color(QPalette::Highlight);
    p.setPen(QPen(ink, 2));
    p.drawPolyline(line);
    p.setPen(QPen(palette().color(QPalette::Base), 1.5));
    p.setBrush(ink);
    for (const QPointF &pt : line)
        p.drawEllipse(pt, 4, 4);

    // A date under a dot where it differs from the last one written and has room.
    p.setPen(palette().color(QPalette::Text));
    QString lastDay;
    double lastRight = plot.left() - 1e9;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const QString day = m_points[i].first.toString(dayFormat);
        const double w = fm.horizontalAdvance(day), x = line[qsizetype(i)].x() - w / 2;
        if (day == lastDay || x < lastRight + 8)
            continue;
        p.drawLine(QPointF(line[qsizetype(i)].x(), plot.bottom()), QPointF(line[qsizetype(i)].x(), plot.bottom() + 3));
        p.drawText(QRectF(x, plot.bottom() + 4, w, fm.height()), Qt::AlignCenter, day);
        lastDay = day;
        lastRight = x + w;
    }
}

void GradeChart::paintBars(QPainter &p, const QRect &plot, qint64 top)
{
    if (m_categories.isEmpty())
        return;
    const QFontMetrics fm(font());
    const double slot = double(plot.width()) / double(m_categories.size());
    for (qsizetype i = 0; i < m_categories.size(); ++i) {
        const double h = double(m_counts[size_t(i)]) / double(top) * plot.height();
        const double x = plot.left() + slot * double(i);
        p.fillRect(QRectF(x + slot * 0.2, plot.bottom() - h, slot * 0.6, h), palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(x, plot.bottom() - h - fm.height() - 1, slot, fm.height()),
                   Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip, QString::number(m_counts[size_t(i)]));
        p.drawText(QRectF(x, plot.bottom() + 4, slot, fm.height()), Qt::AlignCenter | Qt::TextDontClip,
                   m_categories[i]);
    }
}
