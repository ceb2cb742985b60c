#pragma once
#include <QString>
#include <stdexcept>

// The error that ends the handler in progress; the window shows its text in
// an error message box and goes on running.
class TrivoError : public std::runtime_error
{
public:
    explicit TrivoError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// Standard texts of the conversion and file errors.
inline QString notAnIntegerText(const QString &s)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(s);
}
inline const QString &invalidNumericInputText()
{
    static const QString t = QStringLiteral("Invalid numeric input");
    return t;
}
inline const QString &fileNotFoundText()
{
    static const QString t = QStringLiteral("File not found");
    return t;
}

// The program's own file errors: the file's name and the system's reason.
inline QString cannotReadText(const QString &name, const QString &why)
{
    return QStringLiteral("Не удалось прочитать файл %1: %2").arg(name, why);
}
inline QString cannotWriteText(const QString &name, const QString &why)
{
    return QStringLiteral("Не удалось записать файл %1: %2").arg(name, why);
}
inline QString cannotCreateText(const QString &name, const QString &why)
{
    return QStringLiteral("Не удалось создать файл %1: %2").arg(name, why);
}
inline QString cannotMakeFolderText(const QString &folder)
{
    return QStringLiteral("Не удалось создать папку %1").arg(folder);
}
