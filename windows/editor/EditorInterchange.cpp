// The import window's import from other testing systems: a GIFT, Aiken or
// Moodle XML file becomes a new topic of the editor's tables.
#include "Desktop.h"
#include "EditorWindow.h"
#include "banktables.h"
#include "errors.h"
#include "installfolder.h"
#include "interchange.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

namespace
{

// The topic goes into the tables, as the decoder puts the text imports there:
// the author looks it over beside the rest of the bank and stores it with the
// table buttons; nothing typed into the tables before is lost by a reload.
QString importText(const QString &name, const QString &code, const Topic &topic, const QStringList &notes)
{
    QString text = QStringLiteral("Тема %1 «%2» добавлена в таблицы: вопросов %3. "
                                  "Чтобы сохранить её в банке, нажмите кнопки 3, 4 и 5.")
                       .arg(code, topic.name)
                       .arg(topic.items.size());
    if (!notes.isEmpty())
        text += QStringLiteral("\n\nИз файла %1 не перенесено:\n").arg(name) + notes.join(u'\n');
    return text;
}

} // namespace

void EditorWindow::connectInterchange()
{
    connect(IzMoodle, &QPushButton::clicked, this, &EditorWindow::IzMoodleClick);
}

void EditorWindow::IzMoodleClick()
{
    const QString path =
        desktop().openFileName(QStringLiteral("Импорт из Moodle"), installRoot(),
                               QStringLiteral("Вопросы GIFT, Aiken, Moodle XML (*.gift *.txt *.xml);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    try {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw TrivoError(cannotReadText(path, f.errorString()));
        requireQuestionFileSize(f.size());
        const QByteArray bytes = f.readAll();
        Reading r = readInterchange(guessInterFormat(path, bytes), bytes, QFileInfo(path).completeBaseName());
        BankTables &t = tables();
        const QString code = addTopicToTables(r.topic, t.TemaTabl, t.WopTabl, t.OtwTabl, r.notes);
        desktop().message(importText(QFileInfo(path).fileName(), code, r.topic, r.notes),
                          QStringLiteral("Импорт из Moodle"),
                          r.notes.isEmpty() ? Desktop::Icon::Information : Desktop::Icon::Warning);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}
