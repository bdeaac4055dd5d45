// The installation GUID, the machine id and the MAC digest, and the hardware
// sources they are made of.  Called on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>

namespace reporting {

// Key "GUID" of section "Install"; when empty, a new GUID is made and
// written back (the one made last in this process when the platform gives
// none, or empty).
std::wstring LoadInstallGuid();
// The digest of processor text + disk serial + adapter address text.
std::wstring ComputeMachineId();
// The digest of the adapter address text alone.
std::wstring ComputeMacDigest();

// The processor text of the first processor (cached once read); false when
// the process's affinity is restricted or the masks cannot be read.
bool GetCpuText(std::wstring& out);
// The first disk serial the disk methods yield, in their order.
bool GetDiskSerial(std::wstring& out);
// The address of the first physical adapter, else of the first adapter.
bool GetAdapterAddress(std::wstring& out);
// Whether the adapter counts as a physical PCI adapter.
bool IsPhysicalAdapter(const std::string& adapterName, uint32_t type);

// MD5 of the text in the ANSI code page, as 32 lower-case hexadecimal digits.
std::wstring DigestText(const std::wstring& source);

// Forgets the processor text and the last GUID made (tests only).
void ResetIdentityCachesForTest();

}  // namespace reporting
