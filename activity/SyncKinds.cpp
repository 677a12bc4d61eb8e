#include "activity/SyncKinds.h"

#include <array>

namespace fieldsync {

namespace {

constexpr const char* DownloadKindNames[DownloadKindCount] = {"clients", "products", "prices", "orders"};
constexpr const char* UploadKindNames[UploadKindCount] = {"orders", "orderItems", "clients", "receipts"};

// The writes that identify what they upload: the kind they count as (none
// for the steps that complete an order or change its state) and the
// parameters that identify the upload.
constexpr size_t MaxKeyParameters = 4;
struct TUploadEntry {
  const char* Method;
  bool Counted;
  TUploadKind Kind;
  std::array<const char*, MaxKeyParameters> Key;
  size_t KeySize;
};
constexpr TUploadEntry Uploads[] = {
    {"SetPedido", true, TUploadKind::Orders, {"IDPedidoPalm"}, 1},
    {"SetItensPedido", true, TUploadKind::OrderItems, {"IDPedidoPalm", "IDProduto"}, 2},
    {"SetCliente", true, TUploadKind::Clients, {"IDCliente"}, 1},
    {"SetReceber", true, TUploadKind::Receipts, {"IDReceber", "IDFolha", "IDOrdem", "IDParcial"}, 4},
    {"SetPedido2", false, TUploadKind::Orders, {"IDPedidoPalm"}, 1},
    {"SetPedido2_Novo", false, TUploadKind::Orders, {"IDPedidoPalm"}, 1},
    {"SetSituacaoPedido", false, TUploadKind::Orders, {"IDPedido"}, 1},
};

const TUploadEntry* FindUpload(std::string_view method) {
  for (const auto& entry : Uploads)
    if (method == entry.Method) return &entry;
  return nullptr;
}

}  // namespace

const char* DownloadKindName(TDownloadKind kind) { return DownloadKindNames[static_cast<size_t>(kind)]; }

bool UploadKindOf(std::string_view method, TUploadKind& kind) {
  const TUploadEntry* entry = FindUpload(method);
  if (!entry || !entry->Counted) return false;
  kind = entry->Kind;
  return true;
}

const char* UploadKindName(TUploadKind kind) { return UploadKindNames[static_cast<size_t>(kind)]; }

std::span<const char* const> UploadKeyParameters(std::string_view method) {
  const TUploadEntry* entry = FindUpload(method);
  if (!entry) return {};
  return {entry->Key.data(), entry->KeySize};
}

uint64_t FoldUploadKey(uint64_t key, std::string_view argument) {
  // FNV-1a over the argument and a separator, so "1","23" and "12","3" differ.
  constexpr uint64_t Prime = 1099511628211ull;
  for (unsigned char c : argument) key = (key ^ c) * Prime;
  key = (key ^ 0x1F) * Prime;
  return key == 0 ? 1 : key;
}

}  // namespace fieldsync
