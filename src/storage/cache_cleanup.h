// Browser cache cleanup: every URL cache entry goes except cookies and
// history, so the game's files are fetched again while the player stays
// signed in.
#pragma once

#include <string>

namespace storage {

// The keep rule: the entry's source URL name contains "Cookie" or "Visited"
// (case-sensitive, anywhere in the name).
bool KeepCacheEntry(const std::wstring& sourceUrlName);

// Walks the platform's URL cache once and deletes every entry the keep rule
// does not keep.  One record buffer at a time: it starts at 4096 bytes, and a
// find call that fails is retried once with a buffer of the size it reported;
// a failed retry ends the walk.  Runs on a worker thread; does nothing when
// the platform keeps no entry cache.
void ClearUrlCache();

}  // namespace storage
