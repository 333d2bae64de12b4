#pragma once
// Helpers for the application's widget tests: a document controller with
// in-memory defaults, copies of the example drawing, edits made as the user
// makes them, and answering the window-modal message boxes the machinery runs.

#include "app/DocumentController.h"
#include "app/DocumentWindowController.h"
#include "canvas/ShapesController.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/RectangleShape.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace qv::test {

// Copies the example drawing into `dir` under `name`.
inline QString copyExample(const QTemporaryDir& dir, const QString& name) {
    const QString source = QStringLiteral(QV_SOURCE_DIR "/examples/welcome.qvdraw");
    const QString target = dir.filePath(name);
    QDir().mkpath(target);
    for (const QString& file : QDir(source).entryList(QDir::Files))
        QFile::copy(QDir(source).filePath(file), QDir(target).filePath(file));
    return target;
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline ShapePtr rectangle(double x = 10) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds({x, 10, 50, 40});
    return s;
}

// Lets queued work (the undo manager's event groups, window closes) run.
inline void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// One event, one undo step.
inline void addShape(DocumentWindowController& document) {
    document.shapesController().addObject(rectangle());
    settle();
}

// Runs `handle` on the next modal dialog of type T that shows up, from
// inside its own event loop. The texts (and informative texts) of every
// message box answered are kept.
class ModalAnswers : public QObject {
public:
    template <class T> void next(std::function<void(T&)> handle) {
        m_Handlers.push_back([handle](QWidget* w) {
            if (auto* dialog = qobject_cast<T*>(w)) {
                handle(*dialog);
                return true;
            }
            return false;
        });
        arm();
    }
    // Clicks the message box button with this text.
    void click(const QString& buttonText) {
        next<QMessageBox>([this, buttonText](QMessageBox& box) {
            texts.append(box.text() + QLatin1Char('\n') + box.informativeText());
            for (QAbstractButton* button : box.buttons())
                if (button->text() == buttonText) {
                    button->click();
                    return;
                }
            ADD_FAILURE() << "no button " << buttonText.toStdString() << " in \""
                          << box.text().toStdString() << "\"";
            box.reject();
        });
    }
    bool allAnswered() const { return m_Handlers.empty(); }
    QStringList texts;

private:
    void arm() {
        QTimer::singleShot(10, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || m_Handlers.empty()) {
                if (!m_Handlers.empty())
                    arm();
                return;
            }
            auto handler = m_Handlers.front();
            if (handler(modal)) {
                m_Handlers.erase(m_Handlers.begin());
                if (!m_Handlers.empty())
                    arm();
            } else {
                arm();
            }
        });
    }
    std::vector<std::function<bool(QWidget*)>> m_Handlers;
};

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() : documents(std::make_unique<DocumentController>(defaults)) {}
    ~DocumentTest() override {
        documents.reset();
        settle();
    }

    InMemoryUserDefaults defaults;
    std::unique_ptr<DocumentController> documents;
    QTemporaryDir dir;
    ModalAnswers answers;
};

} // namespace qv::test
