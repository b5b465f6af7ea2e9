// The Qt suites need one QApplication. It is made only when tests run, so that listing them
// works without a display.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplication : public ::testing::Environment {
  public:
    QtApplication(int &argc, char **argv) : m_argc(argc), m_argv(argv) {}
    void SetUp() override { m_application = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_application.reset(); }

  private:
    int &m_argc;
    char **m_argv;
    std::unique_ptr<QApplication> m_application;
};

} // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtApplication(argc, argv));
    return RUN_ALL_TESTS();
}
