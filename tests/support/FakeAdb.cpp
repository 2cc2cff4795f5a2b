#include "FakeAdb.h"

namespace {
const QString tool = QStringLiteral("adb");
}

FakeAdb::FakeAdb(const QString& parentDirectory, bool demo)
    : m_directory(parentDirectory + QStringLiteral("/FakeAdb-XXXXXX"))
    , m_sdk(m_directory.filePath(QStringLiteral("sdk")))
    , m_tools(m_sdk + QStringLiteral("/StandIn")) {
    if (!m_directory.isValid())
        qFatal("FakeAdb: cannot create a temporary directory");
    StandInTools::make(QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-android-sdk.sh"), m_sdk,
                       !demo);
}

FakeAdb::~FakeAdb() {
    endHangs();
}

void FakeAdb::setScenario(const Scenario& scenario, const QString& match) {
    m_tools.setScenario(tool, scenario, match);
}

QList<FakeAdb::Invocation> FakeAdb::invocations() const {
    return m_tools.invocations(tool);
}

QList<qint64> FakeAdb::hangingProcesses() const {
    return m_tools.hangingProcesses(tool);
}

void FakeAdb::endHangs() {
    m_tools.endHangs(tool, m_sdk);
}
