// The tree: the common operations, pairs, objects, arrays and the literals.
// Strings and numbers are in JSONString.cpp, the parser in JSONParser.cpp.
#include "json/JSONValue.h"

#include <cstring>
#include <stdexcept>

namespace fieldsync {

namespace {

char* WriteLiteral(char* out, std::string_view literal) {
  std::memcpy(out, literal.data(), literal.size());
  return out + literal.size();
}

// Children of large containers lie scattered in the heap (a table's column
// arrays are filled row by row), so walking them is bound by memory
// latency; the walks fetch the node this many children ahead.
constexpr size_t PrefetchDistance = 8;

template <class TList>
void PrefetchChild(const TList& children, size_t i) {
  if (i + PrefetchDistance < children.size()) __builtin_prefetch(children[i + PrefetchDistance].get());
}

// 1 + the sum of (child estimate + 1), or 2 when there are no children.
template <class TList>
size_t ContainerEstimate(const TList& children) {
  if (children.empty()) return 2;
  size_t size = 1;
  for (size_t i = 0; i < children.size(); ++i) {
    PrefetchChild(children, i);
    size += children[i]->EstimatedByteSize() + 1;
  }
  return size;
}

template <class TList>
char* WriteContainer(char* out, const TList& children, char open, char close) {
  *out++ = open;
  for (size_t i = 0; i < children.size(); ++i) {
    PrefetchChild(children, i);
    if (i > 0) *out++ = ',';
    out = children[i]->WriteBytes(out);
  }
  *out++ = close;
  return out;
}

template <class TList>
void AppendContainerText(std::u16string& out, const TList& children, char16_t open, char16_t close) {
  out.push_back(open);
  bool first = true;
  for (const auto& child : children) {
    if (!first) out.push_back(u',');
    first = false;
    child->AppendText(out);
  }
  out.push_back(close);
}

// Makes list, without its absent entries, the target's children; the list's
// storage is taken over, not copied.
template <class T>
void ReplaceChildren(std::vector<std::unique_ptr<T>>& target, std::vector<std::unique_ptr<T>> list) {
  std::erase(list, nullptr);
  target = std::move(list);
}

}  // namespace

// ---- TJSONAncestor --------------------------------------------------------

std::u16string TJSONAncestor::Value() const { return {}; }

bool TJSONAncestor::IsNull() const { return false; }

void TJSONAncestor::AddDescendant(std::unique_ptr<TJSONAncestor>) {}

size_t TJSONAncestor::ToBytes(std::string& data, size_t offset) const {
  if (offset > data.size() || data.size() - offset < EstimatedByteSize())
    throw std::out_of_range("TJSONAncestor::ToBytes: the byte array is smaller than the size estimate");
  return static_cast<size_t>(WriteBytes(data.data() + offset) - data.data());
}

std::string TJSONAncestor::ToBytes() const {
  // An uninitialised buffer of the estimate, written once and cut by the
  // copy into the result: the estimate is up to six times the real size,
  // and zero-filling it would cost more than the write itself.
  const size_t estimate = EstimatedByteSize();
  const std::unique_ptr<char[]> buffer(new char[estimate]);
  const char* end = WriteBytes(buffer.get());
  return std::string(buffer.get(), static_cast<size_t>(end - buffer.get()));
}

std::u16string TJSONAncestor::ToString() const {
  std::u16string out;
  AppendText(out);
  return out;
}

// ---- TJSONPair ------------------------------------------------------------

TJSONPair::TJSONPair() = default;

TJSONPair::TJSONPair(std::unique_ptr<TJSONString> key, std::unique_ptr<TJSONValue> value)
    : FKey(std::move(key)), FValue(std::move(value)) {}

TJSONPair::TJSONPair(std::u16string key, std::unique_ptr<TJSONValue> value)
    : FKey(std::make_unique<TJSONString>(std::move(key))), FValue(std::move(value)) {}

TJSONPair::TJSONPair(std::u16string key, std::u16string value)
    : FKey(std::make_unique<TJSONString>(std::move(key))),
      FValue(std::make_unique<TJSONString>(std::move(value))) {}

size_t TJSONPair::EstimatedByteSize() const {
  return (FKey ? FKey->EstimatedByteSize() : 4) + (FValue ? FValue->EstimatedByteSize() : 4) + 1;
}

void TJSONPair::AddDescendant(std::unique_ptr<TJSONAncestor> child) {
  if (!FKey) {
    if (auto* key = dynamic_cast<TJSONString*>(child.get())) {
      child.release();
      FKey.reset(key);
    }
  } else if (!FValue) {
    if (auto* value = dynamic_cast<TJSONValue*>(child.get())) {
      child.release();
      FValue.reset(value);
    }
  }
}

char* TJSONPair::WriteBytes(char* out) const {
  out = FKey ? FKey->WriteBytes(out) : WriteLiteral(out, "null");
  *out++ = ':';
  return FValue ? FValue->WriteBytes(out) : WriteLiteral(out, "null");
}

void TJSONPair::AppendText(std::u16string& out) const {
  if (!FKey || !FValue) return;
  FKey->AppendText(out);
  out.push_back(u':');
  FValue->AppendText(out);
}

std::unique_ptr<TJSONAncestor> TJSONPair::CloneNode() const {
  return std::make_unique<TJSONPair>(FKey ? FKey->Clone() : nullptr, FValue ? FValue->Clone() : nullptr);
}

// ---- TJSONObject ----------------------------------------------------------

TJSONObject::TJSONObject() = default;

TJSONObject::TJSONObject(std::unique_ptr<TJSONPair> pair) { AddPair(std::move(pair)); }

TJSONObject::~TJSONObject() = default;

TJSONObject& TJSONObject::AddPair(std::unique_ptr<TJSONPair> pair) {
  if (pair) FMembers.push_back(std::move(pair));
  return *this;
}

TJSONObject& TJSONObject::AddPair(std::unique_ptr<TJSONString> key, std::unique_ptr<TJSONValue> value) {
  if (key && value) FMembers.push_back(std::make_unique<TJSONPair>(std::move(key), std::move(value)));
  return *this;
}

TJSONObject& TJSONObject::AddPair(std::u16string key, std::unique_ptr<TJSONValue> value) {
  if (value) FMembers.push_back(std::make_unique<TJSONPair>(std::move(key), std::move(value)));
  return *this;
}

TJSONObject& TJSONObject::AddPair(std::u16string key, std::u16string value) {
  FMembers.push_back(std::make_unique<TJSONPair>(std::move(key), std::move(value)));
  return *this;
}

TJSONPair* TJSONObject::Get(int index) const noexcept {
  if (index < 0 || index >= Size()) return nullptr;
  return FMembers[static_cast<size_t>(index)].get();
}

TJSONPair* TJSONObject::Get(std::u16string_view name) const noexcept {
  for (const auto& pair : FMembers) {
    const TJSONString* key = pair->GetJsonString();
    if (key && key->Text() == name) return pair.get();
  }
  return nullptr;
}

std::unique_ptr<TJSONPair> TJSONObject::RemovePair(std::u16string_view name) {
  for (auto it = FMembers.begin(); it != FMembers.end(); ++it) {
    const TJSONString* key = (*it)->GetJsonString();
    if (key && key->Text() == name) {
      std::unique_ptr<TJSONPair> pair = std::move(*it);
      FMembers.erase(it);
      return pair;
    }
  }
  return nullptr;
}

void TJSONObject::SetMemberList(std::vector<std::unique_ptr<TJSONPair>> list) {
  ReplaceChildren(FMembers, std::move(list));
}

size_t TJSONObject::EstimatedByteSize() const { return ContainerEstimate(FMembers); }

void TJSONObject::AddDescendant(std::unique_ptr<TJSONAncestor> child) {
  if (auto* pair = dynamic_cast<TJSONPair*>(child.get())) {
    child.release();
    FMembers.emplace_back(pair);
  }
}

char* TJSONObject::WriteBytes(char* out) const { return WriteContainer(out, FMembers, '{', '}'); }

void TJSONObject::AppendText(std::u16string& out) const { AppendContainerText(out, FMembers, u'{', u'}'); }

std::unique_ptr<TJSONAncestor> TJSONObject::CloneNode() const {
  auto copy = std::make_unique<TJSONObject>();
  copy->FMembers.reserve(FMembers.size());
  for (const auto& pair : FMembers) copy->FMembers.push_back(pair->Clone());
  return copy;
}

// ---- TJSONArray -----------------------------------------------------------

TJSONArray::TJSONArray() = default;

TJSONArray::TJSONArray(std::unique_ptr<TJSONValue> first) { AddElement(std::move(first)); }

TJSONArray::TJSONArray(std::unique_ptr<TJSONValue> first, std::unique_ptr<TJSONValue> second) {
  AddElement(std::move(first));
  AddElement(std::move(second));
}

TJSONArray::TJSONArray(std::u16string first, std::u16string second) {
  Add(std::move(first));
  Add(std::move(second));
}

TJSONArray::~TJSONArray() = default;

TJSONArray& TJSONArray::Add(std::u16string text) {
  FElements.push_back(std::make_unique<TJSONString>(std::move(text)));
  return *this;
}

TJSONArray& TJSONArray::Add(int32_t value) {
  FElements.push_back(std::make_unique<TJSONNumber>(value));
  return *this;
}

TJSONArray& TJSONArray::Add(double value) {
  FElements.push_back(std::make_unique<TJSONNumber>(value));
  return *this;
}

TJSONArray& TJSONArray::Add(bool value) {
  if (value)
    FElements.push_back(std::make_unique<TJSONTrue>());
  else
    FElements.push_back(std::make_unique<TJSONFalse>());
  return *this;
}

TJSONArray& TJSONArray::Add(std::unique_ptr<TJSONObject> object) {
  if (object)
    FElements.push_back(std::move(object));
  else
    FElements.push_back(std::make_unique<TJSONNull>());
  return *this;
}

TJSONArray& TJSONArray::Add(std::unique_ptr<TJSONArray> array) { return AddElement(std::move(array)); }

TJSONArray& TJSONArray::AddElement(std::unique_ptr<TJSONValue> value) {
  if (value) FElements.push_back(std::move(value));
  return *this;
}

TJSONValue* TJSONArray::Get(int index) const noexcept {
  if (index < 0 || index >= Size()) return nullptr;
  return FElements[static_cast<size_t>(index)].get();
}

std::unique_ptr<TJSONValue> TJSONArray::Remove(int index) {
  if (index < 0 || index >= Size()) return nullptr;
  std::unique_ptr<TJSONValue> element = std::move(FElements[static_cast<size_t>(index)]);
  FElements.erase(FElements.begin() + index);
  return element;
}

std::unique_ptr<TJSONValue> TJSONArray::Pop() { return Remove(0); }

void TJSONArray::SetElements(std::vector<std::unique_ptr<TJSONValue>> list) {
  ReplaceChildren(FElements, std::move(list));
}

size_t TJSONArray::EstimatedByteSize() const { return ContainerEstimate(FElements); }

void TJSONArray::AddDescendant(std::unique_ptr<TJSONAncestor> child) {
  if (auto* value = dynamic_cast<TJSONValue*>(child.get())) {
    child.release();
    FElements.emplace_back(value);
  }
}

char* TJSONArray::WriteBytes(char* out) const { return WriteContainer(out, FElements, '[', ']'); }

void TJSONArray::AppendText(std::u16string& out) const { AppendContainerText(out, FElements, u'[', u']'); }

std::unique_ptr<TJSONAncestor> TJSONArray::CloneNode() const {
  auto copy = std::make_unique<TJSONArray>();
  copy->FElements.reserve(FElements.size());
  for (const auto& element : FElements) copy->FElements.push_back(element->Clone());
  return copy;
}

// ---- literals -------------------------------------------------------------

char* TJSONTrue::WriteBytes(char* out) const { return WriteLiteral(out, "true"); }
void TJSONTrue::AppendText(std::u16string& out) const { out += u"true"; }
std::unique_ptr<TJSONAncestor> TJSONTrue::CloneNode() const { return std::make_unique<TJSONTrue>(); }

char* TJSONFalse::WriteBytes(char* out) const { return WriteLiteral(out, "false"); }
void TJSONFalse::AppendText(std::u16string& out) const { out += u"false"; }
std::unique_ptr<TJSONAncestor> TJSONFalse::CloneNode() const { return std::make_unique<TJSONFalse>(); }

char* TJSONNull::WriteBytes(char* out) const { return WriteLiteral(out, "null"); }
void TJSONNull::AppendText(std::u16string& out) const { out += u"null"; }
std::unique_ptr<TJSONAncestor> TJSONNull::CloneNode() const { return std::make_unique<TJSONNull>(); }

}  // namespace fieldsync
