#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "host/demo/demo_random.h"

namespace tir::demo {

// What the catalog generator leaves for the document generator.
struct DemoGood {
  std::int64_t id;
  double priceIn, priceOut;
  double vat;     // percent
  bool weighed;   // sold by weight (fractional quantities)
  int goodsType;  // 0 goods, 1 service, 2 dish
  bool raw;       // usable as a production ingredient
};

struct DemoPartner {
  std::int64_t id;
  bool supplier;
  std::vector<std::int64_t> contractByEntity;  // default contract per entity index
};

struct DemoEntity {
  std::int64_t id;
  std::int64_t cashAccount, bankAccount, bonusAccount;
};

struct DemoCurrency {
  std::int64_t id;
  double rate;
};

struct DemoContext {
  DemoContext(tir::db::Connection& c, std::uint64_t seed) : connection(c), random(seed) {}

  tir::db::Connection& connection;
  DemoRandom random;
  std::function<void(std::int64_t)> advance;  // reports units of work done

  std::vector<DemoGood> goods;
  std::vector<std::size_t> dishes;       // indexes into goods
  std::vector<std::size_t> ingredients;  // indexes into goods
  std::vector<DemoPartner> partners;
  std::vector<std::size_t> suppliers, customers;  // indexes into partners
  std::vector<DemoEntity> entities;
  std::vector<std::int64_t> stores;
  std::vector<std::int64_t> users;
  std::vector<std::int64_t> cashiers;
  std::vector<DemoCurrency> currencies;  // [0] is the base currency
  std::vector<std::int64_t> itemCosts;
  std::vector<std::int64_t> tables;
  std::vector<std::int64_t> salePoints;
  std::vector<std::int64_t> peerBases;

  // A GUID pair for a new row: random for most rows, (0, 0) for a few (about 4%).
  std::pair<std::int64_t, std::int64_t> NewGuid();
};

// Catalogs: every table but the documents; fills the lists of the context.
void GenerateCatalogs(DemoContext& context, std::int64_t goodsCount);

// Documents of types 1–15 with their lines; returns the number of lines written.
std::int64_t GenerateDocuments(DemoContext& context, std::int64_t docsCount);

}  // namespace tir::demo
