#pragma once

#include <string>
#include <vector>

namespace tir::demo {

// A kind of goods inside a department: the second level of the goods tree.
struct ProductKind {
  std::string name;                   // group name
  std::vector<std::string> nouns;     // goods names start with one of these
  std::vector<std::string> variants;  // fat content, taste, sort …
  std::vector<std::string> sizes;     // pack sizes; empty for goods sold by weight or portion
  std::string unit;                   // "шт", "кг", "л", "порц"
  double priceLow, priceHigh;         // purchase price range, UAH
  int goodsType;                      // 0 goods, 1 service, 2 dish (has a recipe)
  int vatIndex;                       // index into TaxRates()
  std::string uktzedCode;             // classification code
};

struct Department {
  std::string name;
  std::vector<ProductKind> kinds;
  bool food;
};

struct TaxRate {
  std::string code, name;
  double vat, vatA;
};

struct UktzedChapter {
  std::string name;
  std::vector<std::pair<std::string, std::string>> codes;  // code, name
};

// The sample catalogues: Ukrainian and Russian names as a mixed-language back office has them.
const std::vector<Department>& Departments();
const std::vector<std::string>& FoodBrands();
const std::vector<std::string>& HouseholdBrands();
const std::vector<std::string>& Cities();
const std::vector<std::string>& Streets();
const std::vector<std::string>& Surnames();
const std::vector<std::string>& FirstNames(bool female);
const std::vector<std::string>& Patronymics(bool female);
const std::vector<std::string>& CompanyRoots();
const std::vector<std::string>& CompanySuffixes();
const std::vector<TaxRate>& TaxRates();
const std::vector<UktzedChapter>& UktzedChapters();

}  // namespace tir::demo
