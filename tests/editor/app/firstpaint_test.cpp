// The action of a timed run comes once, after the first paint of the watched window has been
// handled, and never for other windows.

#include "firstpaint.h"

#include <QPaintEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {
class CountingWidget : public QWidget {
public:
    using QWidget::QWidget;
    int m_nPaints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++m_nPaints; }
};
} // namespace

TEST(FirstPaint, the_action_runs_once_after_the_first_paint_of_the_window_only) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* child = new CountingWidget;
    layout->addWidget(child);
    window.resize(200, 100);
    CountingWidget other;
    other.resize(50, 50);

    int nRuns = 0;
    int nPaintsAtRun = -1;
    CFirstPaintAction action(window, [&] {
        ++nRuns;
        nPaintsAtRun = child->m_nPaints;
    });
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::qWait(20);
    EXPECT_EQ(nRuns, 0) << "another window's paint does not count";

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return action.HasRun(); }, 2000));
    EXPECT_EQ(nRuns, 1);
    EXPECT_GE(nPaintsAtRun, 1) << "the child of the window was painted before the action";

    window.repaint();
    child->repaint();
    QTest::qWait(20);
    EXPECT_EQ(nRuns, 1);
}

TEST(FirstPaint, a_window_that_goes_away_unpainted_is_let_go) {
    auto window = std::make_unique<QWidget>();
    int nRuns = 0;
    CFirstPaintAction action(*window, [&] { ++nRuns; });
    window.reset();
    CountingWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::qWait(20);
    EXPECT_EQ(nRuns, 0);
    EXPECT_FALSE(action.HasRun());
}
