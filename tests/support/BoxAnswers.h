#pragma once

// Answers the message boxes of one object name as they open, in turn, and keeps what each one asked.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <utility>

namespace testsupport {

class BoxAnswers {
public:
    // Each answer is the text of the button to click, or "Enter" for a press of the Enter key, which
    // chooses the box's default button; with `about`, it answers only a question holding that text.
    explicit BoxAnswers(const char* objectName) : m_name(QString::fromLatin1(objectName)) {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { answerOpenBox(); });
        m_poll.start(20);
    }

    void queue(const QStringList& answers) {
        for (const QString& answer : answers)
            m_answers.append({QString(), answer});
    }
    void queue(const QString& about, const QString& answer) { m_answers.append({about, answer}); }
    bool allUsed() const { return m_answers.isEmpty(); }

    QStringList texts;    // the questions, in the order they were asked
    QStringList defaults; // each box's default button

private:
    void answerOpenBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != m_name || box->property("answered").toBool()) return;
        box->setProperty("answered", true);
        texts << box->text();
        defaults << (box->defaultButton() ? box->defaultButton()->text() : QString());
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        qsizetype at = 0;
        while (at < m_answers.size() && !box->text().contains(m_answers[at].first))
            ++at;
        if (at == m_answers.size()) {
            ADD_FAILURE() << "unexpected question: " << box->text().toStdString();
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        const QString answer = m_answers.takeAt(at).second;
        if (answer == u"Enter") {
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text() == answer) {
                button->click();
                return;
            }
        ADD_FAILURE() << "no button " << answer.toStdString();
        QTest::keyClick(box, Qt::Key_Escape);
    }

    QTimer m_poll;
    QString m_name;
    QList<std::pair<QString, QString>> m_answers; // (text the question holds, answer)
};

} // namespace testsupport
