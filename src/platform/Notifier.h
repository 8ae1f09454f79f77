#pragma once

// Change notification for the whole process: one thread asks each watched store every 100 ms for
// the changes committed since it last looked (by any process) and signals the watches they concern.
// The watch list's lock is never held while a store is asked, so closing a handle never waits for
// a store.

#include "platform/RegistryBackend.h"

#include <memory>

namespace Notifier {

// A one-shot watch of a key through handle key; event is signalled at the first change after now.
void add(HKEY key, const std::shared_ptr<RegistryBackend>& backend, const WatchedKey& what, HANDLE event);
// Removes the watches of a handle, signalling them when fire is set (the handle was closed).
void drop(HKEY key, bool fire);
// Signals and removes every watch and stops the thread.
void shutdown();

} // namespace Notifier
