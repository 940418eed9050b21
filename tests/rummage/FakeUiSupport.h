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
    int answer = 0;               // what the fake answered
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
    bool windowOpen = false;
    std::vector<int> createdKinds;
    std::vector<double> fractions;
    int destroyCount = 0;
    int raiseCount = 0;

    // Called after every fraction shown, with the number shown so far; lets a
    // test change the world in the middle of an operation.
    std::function<void(int step)> onStep;
    // Called before answering any box.
    std::function<void(const ShownBox&)> onBox;

    FakeUi& Answer(int code) {
        messageAnswers.push_back(code);
        return *this;
    }
    FakeUi& AnswerDelete(int code) {
        deleteAnswers.push_back(code);
        return *this;
    }

    int MessageBox(const std::string& title, const std::string& text, int style) override;
    int DeleteMessageBox(const std::string& path) override;
    bool CreateProgressWindow(int kind) override;
    void ShowProgressFraction(double fraction) override;
    bool ProgressCancelled() override;
    void DestroyProgressWindow() override;
    void RaiseProgressWindow() override;

    // Boxes whose text contains `part` (message boxes only).
    int CountBoxes(const std::string& part = "") const;
    std::string LastText() const { return boxes.empty() ? std::string() : boxes.back().text; }
};

}  // namespace rmgtest
