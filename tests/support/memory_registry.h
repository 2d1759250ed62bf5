// An in-memory registry behind the RegistryKey seam, for the native tests of the core. The
// Windows tests use the real registry instead.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "seams/registry.h"

struct MemoryRegistryNode {
  std::map<std::string, std::shared_ptr<MemoryRegistryNode>> subkeys;  // names as given; lookups ignore case
  std::map<std::string, RegistryValue> values;
  bool deny_open = false;   // OpenSubKey of this key fails
  bool deny_create = false; // CreateSubKey below this key fails
  bool deny_set = false;    // SetValue fails
};

class MemoryRegistryKey : public RegistryKey {
 public:
  explicit MemoryRegistryKey(std::shared_ptr<MemoryRegistryNode> node) : node_(std::move(node)) {}

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, RegistryAccess access) override;
  std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) override;
  std::optional<RegistryValue> QueryValue(const std::string& name) override;
  bool SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override;

 private:
  std::shared_ptr<MemoryRegistryNode> node_;
};

// A hive to plant keys and values in and to look at afterwards.
class MemoryRegistry {
 public:
  MemoryRegistry() : root_(std::make_shared<MemoryRegistryNode>()) {}
  std::unique_ptr<RegistryKey> Root() { return std::make_unique<MemoryRegistryKey>(root_); }
  // The node at a "\"-separated path, created when missing.
  MemoryRegistryNode& Node(const std::string& path);
  // nullptr when missing.
  MemoryRegistryNode* Find(const std::string& path);
  void SetString(const std::string& key, const std::string& name, const std::string& text);
  void SetRaw(const std::string& key, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data);

 private:
  std::shared_ptr<MemoryRegistryNode> root_;
};
