#include "activity/SyncKinds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fieldsync {
namespace {

TEST(SyncKinds, UploadKindsAndTheArgumentsThatIdentifyAnUpload) {
  struct TCase {
    const char* Method;
    const char* Kind;  // null: not counted
    std::vector<std::string> Key;
  };
  const TCase cases[] = {
      {"SetPedido", "orders", {"IDPedidoPalm"}},
      {"SetItensPedido", "orderItems", {"IDPedidoPalm", "IDProduto"}},
      {"SetCliente", "clients", {"IDCliente"}},
      {"SetReceber", "receipts", {"IDReceber", "IDFolha", "IDOrdem", "IDParcial"}},
      {"SetPedido2", nullptr, {"IDPedidoPalm"}},
      {"SetCelulares", nullptr, {}},
      {"GetCliente", nullptr, {}},
      {"setpedido", nullptr, {}},
  };
  for (const auto& c : cases) {
    TUploadKind kind;
    const bool counted = UploadKindOf(c.Method, kind);
    EXPECT_EQ(counted, c.Kind != nullptr) << c.Method;
    if (counted && c.Kind) {
      EXPECT_STREQ(UploadKindName(kind), c.Kind) << c.Method;
    }
    const auto key = UploadKeyParameters(c.Method);
    EXPECT_EQ(std::vector<std::string>(key.begin(), key.end()), c.Key) << c.Method;
  }
}

TEST(SyncKinds, UploadKeysTellTheirArgumentsApart) {
  auto key = [](std::vector<std::string> arguments) {
    uint64_t folded = UploadKeySeed;
    for (const auto& argument : arguments) folded = FoldUploadKey(folded, argument);
    return folded;
  };
  EXPECT_EQ(key({"72001", "7"}), key({"72001", "7"}));
  EXPECT_NE(key({"72001", "7"}), key({"72001", "8"}));
  EXPECT_NE(key({"1", "23"}), key({"12", "3"})) << "where one argument ends counts";
  EXPECT_NE(key({""}), 0u) << "0 means no key";
}

}  // namespace
}  // namespace fieldsync
