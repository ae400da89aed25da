#include <windows.h>

#include <oleauto.h>
#include <taskschd.h>

#include "platform/win32/win32_task_scheduler.h"

namespace quorix::win32 {

namespace {

// The product imports no taskschd library: the three identifiers it needs are its own.
const CLSID kClsidTaskScheduler = {
    0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
const IID kIidTaskService = {
    0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
const IID kIidExecAction = {
    0x4C3D624D, 0xFD6B, 0x49A3, {0xB9, 0xB7, 0x09, 0xCB, 0x3C, 0xD3, 0xF0, 0x47}};

template <typename Interface>
Interface* As(platform::TaskObject object) {
    return reinterpret_cast<Interface*>(object);
}

// Takes the result of a call that has already returned: `made` is read here, so the call must
// not be an argument of this function (the order of arguments is unspecified).
template <typename Interface>
std::int32_t Hand(HRESULT result, Interface* made, platform::TaskObject* out) {
    if (SUCCEEDED(result) && made != nullptr) {
        *out = reinterpret_cast<platform::TaskObject>(made);
    } else if (SUCCEEDED(result)) {
        result = E_POINTER;  // success without an object is no success to build on
    }
    return result;
}

// The interfaces take their texts as BSTRs, which carry their length in front.
class ScopedBstr {
public:
    explicit ScopedBstr(const std::wstring& text)
        : text_(::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()))) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { ::SysFreeString(text_); }
    BSTR Get() const { return text_; }
    bool IsNull() const { return text_ == nullptr; }

private:
    BSTR text_;
};

VARIANT EmptyVariant() {
    VARIANT value;
    ::VariantInit(&value);
    return value;
}

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

std::int32_t Win32TaskScheduler::CreateTaskService(platform::TaskObject* service) {
    ITaskService* made = nullptr;
    const HRESULT result = ::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                              kIidTaskService, reinterpret_cast<void**>(&made));
    return Hand(result, made, service);
}

std::int32_t Win32TaskScheduler::Connect(platform::TaskObject service) {
    return As<ITaskService>(service)->Connect(EmptyVariant(), EmptyVariant(), EmptyVariant(),
                                              EmptyVariant());
}

std::int32_t Win32TaskScheduler::GetFolder(platform::TaskObject service, const std::wstring& path,
                                           platform::TaskObject* folder) {
    ScopedBstr text(path);
    if (text.IsNull()) return E_OUTOFMEMORY;
    ITaskFolder* made = nullptr;
    const HRESULT result = As<ITaskService>(service)->GetFolder(text.Get(), &made);
    return Hand(result, made, folder);
}

std::int32_t Win32TaskScheduler::NewTask(platform::TaskObject service,
                                         platform::TaskObject* definition) {
    ITaskDefinition* made = nullptr;
    const HRESULT result = As<ITaskService>(service)->NewTask(0, &made);
    return Hand(result, made, definition);
}

std::int32_t Win32TaskScheduler::DeleteTask(platform::TaskObject folder, const std::wstring& name) {
    ScopedBstr text(name);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<ITaskFolder>(folder)->DeleteTask(text.Get(), 0);
}

std::int32_t Win32TaskScheduler::RegisterTaskDefinition(
    platform::TaskObject folder, const std::wstring& name, platform::TaskObject definition,
    std::int32_t flags, platform::Bstr user, int logonType, platform::TaskObject* registered) {
    ScopedBstr text(name);
    if (text.IsNull()) return E_OUTOFMEMORY;
    // The VARIANT borrows the caller's BSTR: it is not cleared here.
    VARIANT userId = EmptyVariant();
    if (user != platform::kNullBstr) {
        userId.vt = VT_BSTR;
        userId.bstrVal = reinterpret_cast<BSTR>(user);
    }
    IRegisteredTask* made = nullptr;
    const HRESULT result = As<ITaskFolder>(folder)->RegisterTaskDefinition(
        text.Get(), As<ITaskDefinition>(definition), flags, userId, EmptyVariant(),
        static_cast<TASK_LOGON_TYPE>(logonType), EmptyVariant(), &made);
    return Hand(result, made, registered);
}

std::int32_t Win32TaskScheduler::GetRegistrationInfo(platform::TaskObject definition,
                                                     platform::TaskObject* info) {
    IRegistrationInfo* made = nullptr;
    const HRESULT result = As<ITaskDefinition>(definition)->get_RegistrationInfo(&made);
    return Hand(result, made, info);
}

std::int32_t Win32TaskScheduler::PutDescription(platform::TaskObject info,
                                                const std::wstring& description) {
    ScopedBstr text(description);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<IRegistrationInfo>(info)->put_Description(text.Get());
}

std::int32_t Win32TaskScheduler::GetTriggers(platform::TaskObject definition,
                                             platform::TaskObject* triggers) {
    ITriggerCollection* made = nullptr;
    const HRESULT result = As<ITaskDefinition>(definition)->get_Triggers(&made);
    return Hand(result, made, triggers);
}

std::int32_t Win32TaskScheduler::CreateTrigger(platform::TaskObject triggers, int type,
                                               platform::TaskObject* trigger) {
    ITrigger* made = nullptr;
    const HRESULT result =
        As<ITriggerCollection>(triggers)->Create(static_cast<TASK_TRIGGER_TYPE2>(type), &made);
    return Hand(result, made, trigger);
}

std::int32_t Win32TaskScheduler::PutEndBoundary(platform::TaskObject trigger,
                                                const std::wstring& boundary) {
    ScopedBstr text(boundary);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<ITrigger>(trigger)->put_EndBoundary(text.Get());
}

std::int32_t Win32TaskScheduler::GetSettings(platform::TaskObject definition,
                                             platform::TaskObject* settings) {
    ITaskSettings* made = nullptr;
    const HRESULT result = As<ITaskDefinition>(definition)->get_Settings(&made);
    return Hand(result, made, settings);
}

std::int32_t Win32TaskScheduler::PutAllowDemandStart(platform::TaskObject settings, bool allow) {
    return As<ITaskSettings>(settings)->put_AllowDemandStart(ToVariantBool(allow));
}

std::int32_t Win32TaskScheduler::PutDisallowStartIfOnBatteries(platform::TaskObject settings,
                                                               bool disallow) {
    return As<ITaskSettings>(settings)->put_DisallowStartIfOnBatteries(ToVariantBool(disallow));
}

std::int32_t Win32TaskScheduler::PutExecutionTimeLimit(platform::TaskObject settings,
                                                       const std::wstring& limit) {
    ScopedBstr text(limit);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<ITaskSettings>(settings)->put_ExecutionTimeLimit(text.Get());
}

std::int32_t Win32TaskScheduler::PutDeleteExpiredTaskAfter(platform::TaskObject settings,
                                                           const std::wstring& delay) {
    ScopedBstr text(delay);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<ITaskSettings>(settings)->put_DeleteExpiredTaskAfter(text.Get());
}

std::int32_t Win32TaskScheduler::GetActions(platform::TaskObject definition,
                                            platform::TaskObject* actions) {
    IActionCollection* made = nullptr;
    const HRESULT result = As<ITaskDefinition>(definition)->get_Actions(&made);
    return Hand(result, made, actions);
}

std::int32_t Win32TaskScheduler::CreateAction(platform::TaskObject actions, int type,
                                              platform::TaskObject* action) {
    IAction* made = nullptr;
    const HRESULT result =
        As<IActionCollection>(actions)->Create(static_cast<TASK_ACTION_TYPE>(type), &made);
    return Hand(result, made, action);
}

std::int32_t Win32TaskScheduler::QueryExecAction(platform::TaskObject action,
                                                 platform::TaskObject* execAction) {
    IExecAction* made = nullptr;
    const HRESULT result =
        As<IAction>(action)->QueryInterface(kIidExecAction, reinterpret_cast<void**>(&made));
    return Hand(result, made, execAction);
}

std::int32_t Win32TaskScheduler::PutPath(platform::TaskObject execAction,
                                         const std::wstring& path) {
    ScopedBstr text(path);
    if (text.IsNull()) return E_OUTOFMEMORY;
    return As<IExecAction>(execAction)->put_Path(text.Get());
}

std::int32_t Win32TaskScheduler::GetPrincipal(platform::TaskObject definition,
                                              platform::TaskObject* principal) {
    IPrincipal* made = nullptr;
    const HRESULT result = As<ITaskDefinition>(definition)->get_Principal(&made);
    return Hand(result, made, principal);
}

std::int32_t Win32TaskScheduler::PutRunLevel(platform::TaskObject principal, int runLevel) {
    return As<IPrincipal>(principal)->put_RunLevel(static_cast<TASK_RUNLEVEL_TYPE>(runLevel));
}

std::int32_t Win32TaskScheduler::RunTask(platform::TaskObject registered) {
    return As<IRegisteredTask>(registered)->Run(EmptyVariant(), nullptr);
}

std::int32_t Win32TaskScheduler::GetLastRunTime(platform::TaskObject registered, double* lastRun) {
    DATE date = 0.0;
    const HRESULT result = As<IRegisteredTask>(registered)->get_LastRunTime(&date);
    if (SUCCEEDED(result)) *lastRun = date;
    return result;
}

void Win32TaskScheduler::Release(platform::TaskObject object) {
    if (object != platform::kNullTaskObject) As<IUnknown>(object)->Release();
}

platform::Bstr Win32TaskScheduler::AllocateBstr(const std::wstring& text) {
    return reinterpret_cast<platform::Bstr>(::SysAllocString(text.c_str()));
}

void Win32TaskScheduler::FreeBstr(platform::Bstr text) {
    ::SysFreeString(reinterpret_cast<BSTR>(text));
}

}  // namespace quorix::win32
