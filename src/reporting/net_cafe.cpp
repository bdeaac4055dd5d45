#include "reporting/net_cafe.h"

#include <vector>

#include "platform/platform.h"
#include "platform/win32_values.h"

namespace reporting {
namespace {

enum class Trace { kKey, kProcess };

struct Entry {
  Trace kind;
  const wchar_t* name;
  int32_t code;
};

// In checking order; an earlier entry wins.  The optional last entry (a key
// named after a product's web domain) is left out.
const Entry kTraces[] = {
    {Trace::kKey, L"SOFTWARE\\Hintsoft\\PubwinClient", 0},
    {Trace::kKey, L"SOFTWARE\\Hintsoft\\pubwin", 0},
    {Trace::kKey, L"SOFTWARE\\Sicent\\wx2004Clt", 1},
    {Trace::kKey, L"SOFTWARE\\MpSoft\\smenu", 2},
    {Trace::kKey, L"SOFTWARE\\Microsoft\\jingzu", 4},
    {Trace::kKey, L"SOFTWARE\\iCafe8", 6},
    {Trace::kKey, L"SOFTWARE\\Goyoo\\i8desk", 7},
    {Trace::kKey, L"SOFTWARE\\Hintsoft1\\XunShanPro", 8},
    {Trace::kKey, L"SOFTWARE\\SyncExpertNetBar", 9},
    {Trace::kKey, L"SOFTWARE\\EYOOCLIENTSTATUS", 11},
    {Trace::kKey, L"SOFTWARE\\Richtech", 12},
    {Trace::kKey, L"SOFTWARE\\杭州顺网信息技术有限公司\\网维大师蝌蚪娱乐平台", 14},
    {Trace::kKey, L"SOFTWARE\\Sicent\\WxAdv", 15},
    {Trace::kKey, L"SOFTWARE\\Grabsun\\Netsense", 16},
    {Trace::kProcess, L"娱乐中心.exe", 17},
    {Trace::kProcess, L"网吧游戏外挂总管管理器.exe", 19},
    {Trace::kProcess, L"QQmenu.exe", 20},
    {Trace::kProcess, L"Txwu.exe", 20},
    {Trace::kProcess, L"网吧游戏管理专家2006.exe", 21},
    {Trace::kProcess, L"connetbar.exe", 22},
    {Trace::kKey, L"SOFTWARE\\MpSoft\\scon", 24},
    {Trace::kProcess, L"wbc.exe", 26},
    {Trace::kProcess, L"sunflowerTools.exe", 27},
    {Trace::kKey, L"SOFTWARE\\MpSoft\\VOD", 30},
    {Trace::kProcess, L"LBSserver.exe", 31},
    {Trace::kKey, L"\\QvodNetBar\\install", 32},
    {Trace::kProcess, L"TLnbLdr.exe", 33},
    {Trace::kProcess, L"DeepinStatus.exe", 35},
    {Trace::kKey, L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\网升游戏更新客户端",
     36},
};

}  // namespace

bool RegistryKeyExists(const std::wstring& keyPath) {
  return pf::registry().LocalMachineKeyExists(keyPath, pf::kKEY_QUERY_VALUE);
}

bool ProcessIsRunning(const std::wstring& exeName) {
  std::vector<std::wstring> names;
  if (!pf::machine().ProcessNames(names)) return false;
  for (const std::wstring& name : names)
    if (name == exeName) return true;
  return false;
}

int32_t DetectNetCafe() {
  for (const Entry& e : kTraces) {
    const bool found = e.kind == Trace::kKey ? RegistryKeyExists(e.name) : ProcessIsRunning(e.name);
    if (found) return e.code;
  }
  return -1;
}

}  // namespace reporting
