// The work item that hands an agent to the engine thread (add) or takes it away (remove).
#ifndef HV_ENGINE_HVTRANSFERAGENTQUERY_H
#define HV_ENGINE_HVTRANSFERAGENTQUERY_H

#include "hv/hvQuery.h"

class hvStreamingAgent;

class hvTransferAgentQuery : public hvQuery {
 public:
  hvTransferAgentQuery(hvStreamingAgent* agent, bool add) : agent(agent), add(add) {}

  hvStreamingAgent* const agent;  // not owned
  const bool add;                 // true: add the agent; false: remove it

 protected:
  ~hvTransferAgentQuery() override {}
};

#endif
