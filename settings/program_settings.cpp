#include "settings/program_settings.h"

#include <algorithm>

#include "base/files.h"
#include "base/platform.h"
#include "base/text.h"
#include "settings/header_template.h"
#include "settings/ini_file.h"
#include "settings/system_keys.h"

namespace mirvex {

namespace {

constexpr double kMaxPathCount = 10000;
constexpr const char* kCompilerKeys[] = {"Path", "Options"};

}  // namespace

std::string PathKey(int i) { return "p" + std::to_string(i); }

int PathCount(std::string_view program_folder) {
  double count = Value(ReadSetting(program_folder, kSystemSection, "PathCount"));
  return static_cast<int>(std::clamp(count, 0.0, kMaxPathCount));
}

CompileOptions CompileOptionsFrom(const SettingLookup& compiler_setting) {
  CompileOptions options;
  options.mkgmap = compiler_setting("Path");
  options.extra_options = compiler_setting("Options");
  return options;
}

std::string ProgramSettings::prefix() const { return folder + kPathSeparator; }

std::string ProgramSettings::Value(std::string_view key) const {
  const SystemKey* system_key = FindSystemKey(key);
  if (!system_key) return {};
  auto entry = system.find(std::string_view(system_key->key));
  std::string stored = entry == system.end() ? std::string() : entry->second;
  return system_key->is_check ? std::to_string(CheckBoxValue(stored)) : stored;
}

bool ProgramSettings::Override(std::string_view key, std::string value) {
  const SystemKey* system_key = FindSystemKey(key);
  if (!system_key) return false;
  system[system_key->key] = std::move(value);
  return true;
}

ConversionOptions ProgramSettings::conversion_options() const {
  return ConversionOptionsFrom([this](std::string_view key) { return Value(key); }, header_template);
}

CropOptions ProgramSettings::crop_options() const {
  return CropOptionsFrom([this](std::string_view key) { return Value(key); });
}

CompileOptions ProgramSettings::compile_options() const {
  return CompileOptionsFrom([this](std::string_view key) {
    auto entry = compiler.find(key);
    return entry == compiler.end() ? std::string() : entry->second;
  });
}

ProgramSettings ReadProgramSettings(std::string program_folder) {
  ProgramSettings settings;
  settings.folder = std::move(program_folder);
  std::string config = TemplatePath(settings.folder);
  settings.template_missing = !FileExists(config);
  settings.header_template = LoadTemplate(config);
  for (const SystemKey& key : SystemKeys()) {
    std::string value = ReadSetting(settings.folder, kSystemSection, key.key);
    settings.system[key.key] = value.empty() ? key.default_value : std::move(value);
  }
  int count = PathCount(settings.folder);
  for (int i = 1; i <= count; ++i) {
    std::string paths[3];
    for (int list = 0; list < 3; ++list) paths[list] = ReadSetting(settings.folder, kPathSections[list], PathKey(i));
    settings.saved_triples.push_back({paths[0], paths[1], paths[2]});
  }
  for (const char* key : kCompilerKeys) settings.compiler[key] = ReadSetting(settings.folder, kCompilerSection, key);
  return settings;
}

}  // namespace mirvex
