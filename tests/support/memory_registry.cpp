#include "support/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace {
bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::stringstream stream(path);
  std::string part;
  while (std::getline(stream, part, '\\')) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::shared_ptr<MemoryRegistryNode> Child(MemoryRegistryNode& node, const std::string& name) {
  for (auto& [key, child] : node.subkeys) {
    if (SameName(key, name)) return child;
  }
  return nullptr;
}
}  // namespace

std::unique_ptr<RegistryKey> MemoryRegistryKey::OpenSubKey(const std::string& path, RegistryAccess) {
  std::shared_ptr<MemoryRegistryNode> node = node_;
  for (const std::string& part : Split(path)) {
    node = Child(*node, part);
    if (!node || node->deny_open) return nullptr;
  }
  return std::make_unique<MemoryRegistryKey>(node);
}

std::unique_ptr<RegistryKey> MemoryRegistryKey::CreateSubKey(const std::string& path) {
  std::shared_ptr<MemoryRegistryNode> node = node_;
  for (const std::string& part : Split(path)) {
    std::shared_ptr<MemoryRegistryNode> child = Child(*node, part);
    if (!child) {
      if (node->deny_create) return nullptr;
      child = std::make_shared<MemoryRegistryNode>();
      node->subkeys[part] = child;
    }
    if (child->deny_open) return nullptr;
    node = child;
  }
  return std::make_unique<MemoryRegistryKey>(node);
}

std::optional<RegistryValue> MemoryRegistryKey::QueryValue(const std::string& name) {
  for (auto& [key, value] : node_->values) {
    if (SameName(key, name)) return value;
  }
  return std::nullopt;
}

bool MemoryRegistryKey::SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) {
  if (node_->deny_set) return false;
  for (auto it = node_->values.begin(); it != node_->values.end(); ++it) {
    if (SameName(it->first, name)) {
      node_->values.erase(it);
      break;
    }
  }
  node_->values[name] = RegistryValue{type, std::vector<std::uint8_t>(data.begin(), data.end())};
  return true;
}

MemoryRegistryNode& MemoryRegistry::Node(const std::string& path) {
  std::shared_ptr<MemoryRegistryNode> node = root_;
  for (const std::string& part : Split(path)) {
    std::shared_ptr<MemoryRegistryNode> child = Child(*node, part);
    if (!child) {
      child = std::make_shared<MemoryRegistryNode>();
      node->subkeys[part] = child;
    }
    node = child;
  }
  return *node;
}

MemoryRegistryNode* MemoryRegistry::Find(const std::string& path) {
  std::shared_ptr<MemoryRegistryNode> node = root_;
  for (const std::string& part : Split(path)) {
    node = Child(*node, part);
    if (!node) return nullptr;
  }
  return node.get();
}

void MemoryRegistry::SetString(const std::string& key, const std::string& name, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetRaw(key, name, kRegSz, std::move(data));
}

void MemoryRegistry::SetRaw(const std::string& key, const std::string& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
  Node(key).values[name] = RegistryValue{type, std::move(data)};
}
