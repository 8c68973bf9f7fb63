#include <memory>

#include "command_ids.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "poll_engine.h"
#include "poll_link.h"
#include "time_sync.h"

namespace vantrel {

namespace {

// The engine keeps its data file between the records of one run; one engine for the program.
struct PollingModule {
    explicit PollingModule(HostServices& services)
        : prompts(boxOwner(services)),
          engine(services, libraryPollLink(), systemPollClock(), prompts),
          timeSync(services, systemPollClock(), libraryClockSetters(services)) {
        timeSync.attachTo(engine);
    }
    PollingModule(const PollingModule&) = delete;
    PollingModule& operator=(const PollingModule&) = delete;
    MessageBoxPrompts prompts;
    PollEngine engine;
    PollTimeSync timeSync;  // its hooks in the engine point here
};

}  // namespace

void install_polling_commands(HostServices& services) {
    auto module = std::make_shared<PollingModule>(services);
    services.setCommandHandler(ID_EXEC_POLL, [module] { module->engine.run(); });
}

}  // namespace vantrel
