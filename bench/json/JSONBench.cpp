// Speed of the JSON value model: the byte form of a query-result-sized
// table and the parsing of a 10 MiB body. Figures are bytes per second of
// the byte form written or of the body read.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/Text.h"
#include "json/JSONValue.h"

using namespace fieldsync;

namespace {

constexpr int TableRows = 100000;
constexpr int TableColumns = 25;
constexpr size_t BodyBytes = 10 * 1024 * 1024;

// Text cells as an ERP table holds them: names, addresses, products, codes,
// dates, some with accented letters.
const std::u16string Samples[] = {
    u"JOS\u00C9 DA SILVA", u"Av. S\u00E3o Jo\u00E3o, 1000 - apto 12", u"A\u00C7\u00DACAR CRISTAL 5KG",
    u"CAF\u00C9 TORRADO 500G", u"2013-05-07", u"S", u"N", u"00123", u"Rua das Flores, 45",
    u"Jo\u00E3o Pessoa", u"ITAPEMIRIM", u"Distribuidora Ant\u00F4nio & Filhos Ltda", u"12.345.678/0001-90",
    u"PAGAMENTO \u00C0 VISTA", u"boleto banc\u00E1rio", u"",
};

std::u16string Cell(int row, int column) {
  const auto& sample = Samples[(row * 7 + column * 3) % std::size(Samples)];
  return column % 5 == 0 ? sample + u" " + Latin1ToUtf16(std::to_string(row)) : sample;
}

// The shape of a query result: "table" with the column descriptions, then
// one pair per column holding an array of the column's values.
std::unique_ptr<TJSONObject> BuildTable(int rows) {
  auto table = std::make_unique<TJSONObject>();
  auto descriptions = std::make_unique<TJSONArray>();
  std::vector<TJSONArray*> columns;
  std::vector<std::unique_ptr<TJSONArray>> columnArrays;
  for (int c = 0; c < TableColumns; ++c) {
    auto d = std::make_unique<TJSONArray>();
    d->Add(u"COLUNA" + Latin1ToUtf16(std::to_string(c))).Add(26).Add(c).Add(0).Add(0).Add(40).Add(40).Add(0);
    d->Add(true).Add(false).Add(0).Add(false).Add(false);
    descriptions->Add(std::move(d));
    columnArrays.push_back(std::make_unique<TJSONArray>());
    columnArrays.back()->Reserve(static_cast<size_t>(rows));
    columns.push_back(columnArrays.back().get());
  }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < TableColumns; ++c) columns[static_cast<size_t>(c)]->Add(Cell(r, c));
  table->AddPair(u"table", std::move(descriptions));
  for (int c = 0; c < TableColumns; ++c)
    table->AddPair(u"COLUNA" + Latin1ToUtf16(std::to_string(c)), std::move(columnArrays[static_cast<size_t>(c)]));
  return table;
}

// A request body of about 10 MiB: order items as a handheld sends them, in
// UTF-8 with raw accented letters, numbers, literals and a few escapes.
std::string BuildUtf8Body() {
  std::string body = "{\"_parameters\":[";
  for (int i = 0; body.size() < BodyBytes - 200; ++i) {
    if (i > 0) body += ',';
    body += "{\"IDPEDIDOPALM\":" + std::to_string(100000 + i) + ",\"ITEM\":" + std::to_string(i % 40) +
            ",\"DESCRICAO\":\"" + Utf16ToUtf8(Samples[i % std::size(Samples)]) +
            "\",\"OBS\":\"linha 1\\nlinha \\\"2\\\" \\u00E9\",\"QUANTIDADE\":" + std::to_string(i % 12) +
            ".5,\"PRECO\":1" + std::to_string(i % 1000) + ".25E-1,\"BRINDE\":" + (i % 3 ? "false" : "true") +
            ",\"LOTE\":null}";
  }
  body += "]}";
  return body;
}

// The byte form of a table of about 10 MiB: ASCII with \u escapes.
std::string BuildTableBody() {
  int rows = 1000;
  std::string body = BuildTable(rows)->ToBytes();
  rows = static_cast<int>(static_cast<double>(rows) * BodyBytes / static_cast<double>(body.size()));
  return BuildTable(rows)->ToBytes();
}

void BM_TableBuild(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildTable(TableRows));
  state.counters["rows/s"] = benchmark::Counter(TableRows, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TableByteForm(benchmark::State& state) {
  const auto table = BuildTable(TableRows);
  size_t bytes = 0;
  for (auto _ : state) {
    std::string form = table->ToBytes();
    bytes = form.size();
    benchmark::DoNotOptimize(form.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_TableTextForm(benchmark::State& state) {
  const auto table = BuildTable(TableRows);
  size_t units = 0;
  for (auto _ : state) {
    std::u16string text = table->ToString();
    units = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(units * 2) * state.iterations());
}

void ParseBody(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    auto value = TJSONObject::ParseJSONValue(body, 0);
    if (!value) state.SkipWithError("the body did not parse");
    benchmark::DoNotOptimize(value.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(body.size()) * state.iterations());
  state.counters["input_MB"] = static_cast<double>(body.size()) / 1e6;
}

void BM_Parse10MiBUtf8Body(benchmark::State& state) {
  static const std::string body = BuildUtf8Body();
  ParseBody(state, body);
}

void BM_Parse10MiBTableByteForm(benchmark::State& state) {
  static const std::string body = BuildTableBody();
  ParseBody(state, body);
}

}  // namespace

BENCHMARK(BM_TableBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableByteForm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableTextForm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse10MiBUtf8Body)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse10MiBTableByteForm)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
