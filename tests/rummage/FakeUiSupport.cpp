#include "FakeUiSupport.h"

namespace rmgtest {

int FakeUi::MessageBox(const std::string& title, const std::string& text, int style) {
    ShownBox box{false, title, text, style, defaultMessageAnswer};
    if (!messageAnswers.empty()) {
        box.answer = messageAnswers.front();
        messageAnswers.pop_front();
    }
    if (onBox)
        onBox(box);
    boxes.push_back(box);
    return box.answer;
}

int FakeUi::DeleteMessageBox(const std::string& path) {
    ShownBox box{true, "", path, 0, defaultDeleteAnswer};
    if (!deleteAnswers.empty()) {
        box.answer = deleteAnswers.front();
        deleteAnswers.pop_front();
    }
    if (onBox)
        onBox(box);
    boxes.push_back(box);
    return box.answer;
}

bool FakeUi::CreateProgressWindow(int kind) {
    createdKinds.push_back(kind);
    windowOpen = createOk;
    return createOk;
}

void FakeUi::ShowProgressFraction(double fraction) {
    fractions.push_back(fraction);
    const int step = static_cast<int>(fractions.size());
    if (cancelAtStep > 0 && step >= cancelAtStep)
        cancelled = true;
    if (onStep)
        onStep(step);
}

bool FakeUi::ProgressCancelled() {
    return cancelled;
}

void FakeUi::DestroyProgressWindow() {
    ++destroyCount;
    windowOpen = false;
}

void FakeUi::RaiseProgressWindow() {
    ++raiseCount;
}

int FakeUi::CountBoxes(const std::string& part) const {
    int n = 0;
    for (const auto& b : boxes) {
        if (!b.deleteQuestion && b.text.find(part) != std::string::npos)
            ++n;
    }
    return n;
}

}  // namespace rmgtest
