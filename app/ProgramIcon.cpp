#include "ProgramIcon.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <map>

namespace
{
// Qt's own engine reads every picture as it is added; most sizes of a window
// icon are never drawn, and on many desktops none is.
class LazyPictures : public QIconEngine
{
public:
    explicit LazyPictures(std::map<int, QString> files) : m_files(std::move(files)) {}

    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        if (m_files.empty() || size.isEmpty())
            return {};
        // The smallest picture at least as big as asked, else the biggest.
        const int side = std::max(size.width(), size.height());
        auto it = m_files.lower_bound(side);
        if (it == m_files.end())
            it = std::prev(it);
        QPixmap &picture = m_read[it->first];
        if (picture.isNull())
            picture.load(it->second);
        return picture.size() == size ? picture
                                      : picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return m_files.empty() ? QSize() : QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const auto &[side, file] : m_files)
            sizes.append(QSize(side, side));
        return sizes;
    }

    bool isNull() override { return m_files.empty(); }
    QString key() const override { return QStringLiteral("LazyPictures"); }
    QIconEngine *clone() const override { return new LazyPictures(*this); }

private:
    std::map<int, QString> m_files; // side → resource file
    std::map<int, QPixmap> m_read;
};
} // namespace

QIcon programIcon()
{
    // Each size lies in a folder named for it ("48x48").
    std::map<int, QString> files;
    QDirIterator it(QStringLiteral(":/icon"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (const int side = QFileInfo(file).dir().dirName().section(u'x', 0, 0).toInt(); side > 0)
            files[side] = file;
    }
    return QIcon(new LazyPictures(std::move(files)));
}
