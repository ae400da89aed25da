#include "support/product_machine.h"

#include <algorithm>

#include "bootstrap/installer_runs.h"
#include "core/product_constants.h"
#include "core/release.h"
#include "installed/pending_installation.h"
#include "package/package_extraction.h"
#include "support/pe_sample.h"

namespace quorix::test {

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return sim::PathKey(a) == sim::PathKey(b);
}

}  // namespace

const std::wstring ProductMachine::kExe = test::kProductExePath;
const std::wstring ProductMachine::kAffiliateId = L"partner42";
const std::wstring ProductMachine::kTagProperties = L"AFFILIATEID=partner42 AFFILIATEIDFLAGS=#3";

ProductLanguagePack ProductSpec::EnglishPack() { return {L"EN_US", LanguagePackProductCodes[1]}; }

ProductLanguagePack ProductSpec::GermanPack() { return {L"DE_DE", LanguagePackProductCodes[5]}; }

ProductMachine::ProductMachine(const ProductSpec& spec) {
    test::PeSampleSpec sample;
    sample.tagText = spec.tagText;
    machine.files.PutFile(kExe, test::BuildPeSample(sample).image);
    machine.files.modulePath = kExe;

    machine.resources.AddRcdata(kBasePackage.resourceName, BasePackageBytes());
    sim::SimPackage base;
    base.productCode = kThisProductCode;
    base.versionString = kReleaseVersionText;
    base.fileTable = spec.baseFileTable;
    machine.installer.AddPackageImage(BasePackageBytes(), base);

    for (const ProductLanguagePack& pack : spec.languagePacks) {
        machine.resources.AddRcdata(L"VLLANGPACK_" + pack.resourceSuffix,
                                    LanguagePackBytes(pack.resourceSuffix));
        sim::SimPackage image;
        image.productCode = pack.productCode;
        image.versionString = kReleaseVersionText;
        machine.installer.AddPackageImage(LanguagePackBytes(pack.resourceSuffix), image);
    }
    // The key is there on every Windows; the value only while renames wait for a boot.
    machine.registry.PutKey(platform::kHkeyLocalMachine, kSessionManagerKeyPath);
}

Ending ProductMachine::Run(std::vector<std::wstring> args) {
    args.insert(args.begin(), kExe);
    return RunProgram(std::move(args));
}

std::wstring ProductMachine::BasePackagePath() {
    return std::wstring(L"C:\\ProgramData\\") + kThisProductCode + L"\\" + kBasePackage.fileStem +
           L".msi";
}

std::vector<std::uint8_t> ProductMachine::BasePackageBytes() {
    return Bytes("base package of Velora Quorix " QUORIX_VERSION_TEXT);
}

std::vector<std::uint8_t> ProductMachine::LanguagePackBytes(const std::wstring& resourceSuffix) {
    std::string text = "language pack ";
    for (wchar_t c : resourceSuffix) text += static_cast<char>(c);
    return Bytes(text);
}

void ProductMachine::InstallCopy(const std::wstring& versionString,
                                 const std::wstring& productCode) {
    machine.installer.AddProduct(productCode, versionString);
}

void ProductMachine::SetPendingRenames(const std::vector<std::wstring>& strings) {
    machine.registry.PutMultiString(platform::kHkeyLocalMachine, kSessionManagerKeyPath,
                                    kPendingRenamesValueName, strings);
}

void ProductMachine::SetPreinstallMode() {
    machine.registry.PutDword(platform::kHkeyLocalMachine, kPreinstallKeyPath, kPreinstallValueName,
                              1);
}

std::vector<sim::InstallerCall> ProductMachine::Installs() const {
    return machine.installer.CallsOf("MsiInstallProductW");
}

std::vector<std::wstring> ProductMachine::TemporaryFilesBesidesTheLog() const {
    std::vector<std::wstring> files = machine.files.FilesIn(machine.files.tempFolder);
    files.erase(std::remove(files.begin(), files.end(), state.log.Path()), files.end());
    return files;
}

std::vector<std::string> ProductMachine::LogLines() const {
    std::vector<std::string> lines;
    const std::vector<std::uint8_t>* bytes =
        state.log.Path().empty() ? nullptr : machine.files.Contents(state.log.Path());
    if (bytes == nullptr) return lines;
    const std::string text(bytes->begin(), bytes->end());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<sim::InstallerCall> ProductMachine::Removals() const {
    std::vector<sim::InstallerCall> removals;
    for (const sim::InstallerCall& call : machine.installer.CallsOf("MsiConfigureProductW")) {
        if (call.installState == platform::kInstallStateAbsent) removals.push_back(call);
    }
    return removals;
}

std::vector<sim::InstallerCall> ProductMachine::LanguagePackInstalls() const {
    std::vector<sim::InstallerCall> packs = Installs();
    packs.erase(std::remove_if(packs.begin(), packs.end(),
                               [](const sim::InstallerCall& call) {
                                   return SamePath(call.target, BasePackagePath());
                               }),
                packs.end());
    return packs;
}

const sim::InstallerCall* ProductMachine::BaseInstall() const {
    const std::vector<sim::InstallerCall>& calls = machine.installer.calls;
    auto it = std::find_if(calls.begin(), calls.end(), [](const sim::InstallerCall& call) {
        return call.api == "MsiInstallProductW" && SamePath(call.target, BasePackagePath());
    });
    return it == calls.end() ? nullptr : &*it;
}

}  // namespace quorix::test
