// A scripted stand-in for the windows: answers queued by the test, a record
// of every box shown, and a progress window that only remembers what it was
// told.  Shared by every headless test that drives code asking the user.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "rummage/rmgui.h"

namespace rmgtest {

struct ShownBox {
    bool deleteQuestion = false;  // DeleteMessageBox rather than MessageBox
    std::string title;            // empty for the delete question
    std::string text;             // the path for the delete question
    int style = 0;                // 0 for the delete question
};

class FakeUi : public rmg::UserInterface {
  public:
    // Answers taken in order; when a queue is empty the default is used.
    std::deque<int> messageAnswers;
    std::deque<int> deleteAnswers;
    int defaultMessageAnswer = rmg::RESULT_YES;  // first button
    int defaultDeleteAnswer = rmg::RESULT_CANCEL;

    std::vector<ShownBox> boxes;

    // Progress window.  `createOk` false makes creation fail.  The window
    // reports a Cancel click from the `cancelAtStep`-th fraction shown on
    // (1-based; 0 = never), or whenever `cancelled` is set by the test.
    bool createOk = true;
    int cancelAtStep = 0;
    bool cancelled = false;
    std::vector<int> createdKinds;
    std::vector<double> fractions;
    int destroyCount = 0;

    // Called after every fraction shown, with the number shown so far; lets a
    // test change the world in the middle of an operation.
    std::function<void(int step)> onStep;

    FakeUi& Answer(int code) {
        messageAnswers.push_back(code);
        return *this;
    }
    FakeUi& AnswerDelete(int code) {
        deleteAnswers.push_back(code);
        return *this;
    }

    int MessageBox(const std::string& title, const std::string& text, int style) override {
        boxes.push_back({false, title, text, style});
        return Next(messageAnswers, defaultMessageAnswer);
    }
    int DeleteMessageBox(const std::string& path) override {
        boxes.push_back({true, "", path, 0});
        return Next(deleteAnswers, defaultDeleteAnswer);
    }
    bool CreateProgressWindow(int kind) override {
        createdKinds.push_back(kind);
        return createOk;
    }
    void ShowProgressFraction(double fraction) override {
        fractions.push_back(fraction);
        const int step = static_cast<int>(fractions.size());
        if (cancelAtStep > 0 && step >= cancelAtStep) {
            cancelled = true;
        }
        if (onStep) {
            onStep(step);
        }
    }
    bool ProgressCancelled() override { return cancelled; }
    void DestroyProgressWindow() override { ++destroyCount; }
    void RaiseProgressWindow() override {}

    // Boxes whose text contains `part` (message boxes only).
    int CountBoxes(const std::string& part = "") const {
        int n = 0;
        for (const auto& b : boxes) {
            n += !b.deleteQuestion && b.text.find(part) != std::string::npos ? 1 : 0;
        }
        return n;
    }
    std::string LastText() const { return boxes.empty() ? std::string() : boxes.back().text; }

  private:
    static int Next(std::deque<int>& queue, int fallback) {
        if (queue.empty()) {
            return fallback;
        }
        const int answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

}  // namespace rmgtest
