#pragma once
// What the sync-activity page knows of the server methods: the kinds of
// download (which method is which kind is on its registration row, and the
// REST layer copies it into the request's record), which writes count as
// which kind of upload, the arguments that identify one upload (so that a
// retry of the same order is known as such) and the arguments that name the
// representative a call is for. The upload tables are in SyncKinds.cpp.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace fieldsync {

// The kinds of download whose last success the page shows.
enum class TDownloadKind { Clients, Products, Prices, Orders };
constexpr size_t DownloadKindCount = 4;

// "clients", "products", "prices", "orders".
const char* DownloadKindName(TDownloadKind kind);

// The kinds of upload the page counts per day.
enum class TUploadKind { Orders, OrderItems, Clients, Receipts };
constexpr size_t UploadKindCount = 4;

// The kind of a write method's upload; false for other methods.
bool UploadKindOf(std::string_view method, TUploadKind& kind);
// "orders", "orderItems", "clients", "receipts".
const char* UploadKindName(TUploadKind kind);

// The parameters whose values identify one upload of a write method (an
// order by its IDPedidoPalm, an item by its order and product); empty for
// methods without such parameters.
std::span<const char* const> UploadKeyParameters(std::string_view method);

// Folds one identifying argument, as text, into an upload key: start from
// UploadKeySeed, fold each argument in parameter order. Never answers 0,
// which means "no key".
inline constexpr uint64_t UploadKeySeed = 14695981039346656037ull;
uint64_t FoldUploadKey(uint64_t key, std::string_view argument);

// The parameters that name the representative a call is for: a whole
// number, or the text a device registers with.
inline constexpr const char* RepresentativeIdParameter = "IDRepresentante";
inline constexpr const char* RepresentativeTextParameter = "Representante";

}  // namespace fieldsync
