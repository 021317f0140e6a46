// A Dialogs seam for tests: records every box and answers confirmations from a queue.
#pragma once

#include "core/common/dialogs.h"
#include "support/qt_printers.h"

#include <QString>
#include <QStringList>
#include <deque>

namespace ronvalo::test {

class TestDialogs final : public Dialogs {
public:
    struct Shown {
        enum Kind { Notice, Confirm, Error, SaveFile } kind;
        QString text;
    };

    TestDialogs() { install(); }
    ~TestDialogs() override { uninstall(); }
    TestDialogs(const TestDialogs&) = delete;
    TestDialogs& operator=(const TestDialogs&) = delete;

    void notice(const QString& text) override { shown.push_back({Shown::Notice, text}); }
    void error(const QString& text) override { shown.push_back({Shown::Error, text}); }
    bool confirm(const QString& text) override {
        shown.push_back({Shown::Confirm, text});
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // Records the caption; answers with the next of `fileNames`, or "" (cancel) once empty.
    QString saveFileName(const QString& caption, const QString& /*suggested*/,
                         const QString& /*filter*/) override {
        shown.push_back({Shown::SaveFile, caption});
        if (fileNames.empty())
            return {};
        const QString answer = fileNames.front();
        fileNames.pop_front();
        return answer;
    }

    QStringList texts(Shown::Kind kind) const {
        QStringList result;
        for (const auto& box : shown)
            if (box.kind == kind)
                result << box.text;
        return result;
    }

    std::deque<bool> answers;      // confirmations answered in order; No once empty
    std::deque<QString> fileNames; // save dialogs answered in order
    std::vector<Shown> shown;
};

} // namespace ronvalo::test
