#pragma once
#include <QDateTime>
#include <QStringList>
#include <QWidget>
#include <utility>
#include <vector>

// A small chart of the journal window, painted by itself: grades over time
// as a line through dots, counts as labelled bars, or only a title. The
// colours come from the widget's palette, so it follows the desktop's theme.
class GradeChart : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { Message, Line, Bars };
    using Point = std::pair<QDateTime, int>;

    explicit GradeChart(QWidget *parent = nullptr);

    // Grades (2 to 5) by the time of the run; drawn in time order, runs without a valid time are left out.
    void showLine(const QString &title, std::vector<Point> points);
    // One bar per category; counts beyond the categories are ignored, missing ones are 0.
    void showBars(const QString &title, const QStringList &categories, std::vector<int> counts);
    // Only the title, e.g. a hint what to choose.
    void showMessage(const QString &title);

    Kind kind() const { return m_kind; }
    QString title() const { return m_title; }
    const std::vector<Point> &points() const { return m_points; }
    QStringList categories() const { return m_categories; }
    const std::vector<int> &counts() const { return m_counts; }

    QSize sizeHint() const override { return {420, 240}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintLine(QPainter &p, const QRect &plot);
    void paintBars(QPainter &p, const QRect &plot, qint64 top);

    Kind m_kind = Kind::Message;
    QString m_title;
    std::vector<Point> m_points;
    QStringList m_categories;
    std::vector<int> m_counts;
};
