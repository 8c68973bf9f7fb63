// Polling's automatic time synchronisation.
#pragma once

namespace vantrel {}  // namespace vantrel
