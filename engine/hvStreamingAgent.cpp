#include "hulvoStreaming/hvStreamingEngine.h"
#include "hv/hvLogReport.h"

hvStreamingAgent::hvStreamingAgent()
    : m_status(khvStreamingStatus_OK), m_terminated(false), m_engine(nullptr) {}

hvStreamingAgent::hvStreamingAgent(const hvStreamingAgent& other)
    : m_status(other.m_status.load()),
      m_terminated(other.m_terminated.load()),
      m_engine(other.m_engine.load()) {}

hvStreamingAgent& hvStreamingAgent::operator=(const hvStreamingAgent& other) {
  m_status.store(other.m_status.load());
  m_terminated.store(other.m_terminated.load());
  m_engine.store(other.m_engine.load());
  return *this;
}

hvStreamingAgent::~hvStreamingAgent() {}

void hvStreamingAgent::SetStreamingEngine(hvStreamingEngine* engine) {
  m_engine.store(engine);
  engine->AddTransferAgent(this);
}

void hvStreamingAgent::WakeUp() {
  hvStreamingEngine* engine = m_engine.load();
  if (!engine) {
    HV_LOG(khvLogCategory_Stream, "..\\..\\hvStreamingAgent",
           "hvStreamingAgent: Cannot wake up, no engine specified\n");
    return;
  }
  engine->WakeUp();
}

hvStreamingEngine* hvStreamingAgent::GetStreamingEngine() const { return m_engine.load(); }

hvStreamingStatus hvStreamingAgent::GetStatus() const {
  return static_cast<hvStreamingStatus>(m_status.load());
}

bool hvStreamingAgent::IsTerminated() const { return m_terminated.load(); }

void hvStreamingAgent::RemovedFromStreamingEngine() { delete this; }

uint32_t hvStreamingAgent::PreProcess() { return khvStreamingAgent_NoSleepBound; }

void hvStreamingAgent::TransferTerminated(hvStreamingStatus status) {
  m_status.store(status);
  m_terminated.store(true);
}
