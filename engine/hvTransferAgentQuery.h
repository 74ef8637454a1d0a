// The work item that hands an agent to the engine thread (add) or takes it away (remove).
#ifndef HV_ENGINE_HVTRANSFERAGENTQUERY_H
#define HV_ENGINE_HVTRANSFERAGENTQUERY_H

#include "hulvoStreaming/hvStreamingEngine.h"
#include "hv/hvQuery.h"

class hvTransferAgentQuery : public hvQuery {
 public:
  hvTransferAgentQuery(hvStreamingAgent* agent, bool add) : agent(agent), add(add) {}

  hvStreamingAgent* const agent;  // not owned
  const bool add;                 // true: add the agent; false: remove it

 protected:
  // A removal the engine thread never applied (the queue was stopped with it inside, or it
  // came after the stop) still tells its agent: the agent's disposal hangs on that call.
  ~hvTransferAgentQuery() override {
    if (!add && !HasBeenExecuted()) agent->RemovedFromStreamingEngine();
  }
};

#endif
