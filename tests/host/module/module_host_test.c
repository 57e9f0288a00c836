/* A host written in C: loads libTirDataExchange.so only through the host kit and the exported
   entry points, and checks the module's answers (handshake, menus, rights from a real base,
   messages, language) and the substitute host's callbacks. Usage: module_host_test MODULE.so */
#include <sqlite3.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "host/kit/tir_host_loader.h"

static int failures = 0;
static int checks = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    ++checks;                                                                  \
    if (!(cond)) {                                                             \
      ++failures;                                                              \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                          \
  } while (0)

#define CHECK_INT(actual, expected)                                                               \
  do {                                                                                            \
    long long a_ = (long long)(actual), e_ = (long long)(expected);                               \
    ++checks;                                                                                     \
    if (a_ != e_) {                                                                               \
      ++failures;                                                                                 \
      fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, #actual, a_, e_); \
    }                                                                                             \
  } while (0)

#define CHECK_STR(actual, expected)                                                              \
  do {                                                                                           \
    const char* a_ = (actual);                                                                   \
    ++checks;                                                                                    \
    if (strcmp(a_, (expected)) != 0) {                                                           \
      ++failures;                                                                                \
      fprintf(stderr, "%s:%d: %s is \"%s\", expected \"%s\"\n", __FILE__, __LINE__, #actual, a_, \
              (expected));                                                                       \
    }                                                                                            \
  } while (0)

static char textBuf[4][512];
static int textSlot = 0;

static const char* PText(const TirChar16* text) {
  char* buf = textBuf[textSlot++ % 4];
  TirHostPWideToUtf8(text, buf, sizeof textBuf[0]);
  return buf;
}

static const char* WText(const TirChar16* text) {
  char* buf = textBuf[textSlot++ % 4];
  TirHostWideToUtf8(text, buf, sizeof textBuf[0]);
  return buf;
}

static sqlite3* db = NULL;

static void Exec(const char* sql) {
  char* error = NULL;
  if (sqlite3_exec(db, sql, NULL, NULL, &error) != SQLITE_OK) {
    fprintf(stderr, "SQL failed: %s\n%s\n", error ? error : "?", sql);
    ++failures;
    sqlite3_free(error);
  }
}

static long long Scalar(const char* sql) {
  sqlite3_stmt* st = NULL;
  long long value = -999;
  if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    value = sqlite3_column_int64(st, 0);
  }
  sqlite3_finalize(st);
  return value;
}

/* ---- handshake */

static void TestHandshake(TirHostModule* m) {
  int32_t in = 0, out = 0, first = 0, second = 0;
  TirDllInfo info;
  TirU3MenuParams item;
  TirU6MenuParams app;
  TirU7MenuParams services;
  int32_t io = 0;
  int i;

  CHECK_INT(m->u0(), 0);
  /* Nothing that needs the handshake works before it. */
  memset(&info, 0x5a, sizeof info);
  CHECK_INT(m->u2(&info), 1);
  CHECK_INT(info.fDllID, 0x5a5a5a5a);
  memset(&app, 0, sizeof app);
  memset(&services, 0, sizeof services);
  CHECK_INT(m->u60(app), 1);
  CHECK_INT(m->u7(services), 1);
  memset(&item, 0, sizeof item);
  CHECK_INT(m->u3(&io, &item), 1);
  CHECK_INT(io, 0);

  /* Two challenges in a row differ; only the latest is accepted. */
  in = 0;
  CHECK_INT(m->u1(&in, &first), 1);
  in = 0;
  CHECK_INT(m->u1(&in, &second), 1);
  CHECK(first != 0 && second != 0 && first != second);
  CHECK(first > 0 && second > 0 && first < 2147483640 && second < 2147483640);
  in = first;
  out = 0;
  CHECK_INT(m->u1(&in, &out), 1); /* the old challenge: refused with a new one */
  CHECK(out != 0 && out != second);
  second = out;
  in = second;
  out = 12345;
  CHECK_INT(m->u1(&in, &out), 0);
  CHECK_INT(out, 12345); /* pOut is left alone when accepted */
  CHECK_INT(m->u2(&info), 0);
  CHECK_INT(info.fDllID, 410);
  CHECK_STR(PText(info.fDllName), "TirDataExchange");
  CHECK_STR(PText(info.fDllVer), "1.0.0 (28.11.2018)");
  CHECK_INT(info.fDllType, 1);
  CHECK_INT(info.fDllAutostart, 0);
  CHECK_INT(
      info.fDllReserv1 | info.fDllReserv2 | info.fDllReserv3 | info.fDllReserv4 | info.fDllReserv5,
      0);

  /* A new u0 starts over; the eleventh u1 fails even with the right answer and zeroes both. */
  CHECK_INT(m->u0(), 0);
  for (i = 0; i < 10; ++i) {
    in = 0;
    m->u1(&in, &out);
  }
  in = out;
  CHECK_INT(m->u1(&in, &out), 1);
  CHECK_INT(in, 0);
  CHECK_INT(out, 0);
  CHECK_INT(m->u2(&info), 1);
  /* Ten calls are allowed: the tenth may carry the answer. */
  CHECK_INT(m->u0(), 0);
  for (i = 0; i < 9; ++i) {
    in = 0;
    m->u1(&in, &out);
  }
  in = out;
  CHECK_INT(m->u1(&in, &out), 0);
}

/* ---- rights and menus */

static TirChar16* keep[8];

static TirU6MenuParams AppParams(int32_t user, int32_t userType) {
  TirU6MenuParams app;
  memset(&app, 0, sizeof app);
  app.fUserID = user;
  app.fUserType = userType;
  app.fPriceDigit = 2;
  app.fCountDigit = 3;
  app.fDecSeparator = '.';
  app.fSettingsParamSection = keep[0];
  app.fSettinsFileName = keep[1];
  app.fSettinsFileNameAll = keep[2];
  app.fSettinsFolderName = keep[3];
  app.fVerMainPro = 7;
  return app;
}

/* The rights the module's menu offers the signed-in user: bits 1, 2, 4; 8 for the group. */
static int OfferedMask(TirHostModule* m) {
  static const int bits[] = {8, 1, 2, 4};
  int mask = 0, index;
  for (index = 2; index <= 5; ++index) {
    int32_t io = index;
    TirU3MenuParams item;
    int32_t r;
    memset(&item, 0, sizeof item);
    r = m->u3(&io, &item);
    CHECK(r == 0 || r == 2);
    if (r == 0) mask |= bits[index - 2];
  }
  return mask;
}

static int MaskFor(TirHostModule* m, const TirU7MenuParams* services, int32_t user,
                   int32_t userType) {
  CHECK_INT(m->u60(AppParams(user, userType)), 0);
  CHECK_INT(m->u7(*services), 0);
  return OfferedMask(m);
}

static void TestRights(TirHostModule* m, const TirU7MenuParams* services) {
  /* Groups 10..12 and 15 are usable; 13 has fBase 0, 14 fBase NULL. */
  Exec(
      "INSERT INTO tirUsersRG (fId, fName, fBase) VALUES (10,'g10',1),(11,'g11',1),(12,'g12',1),"
      "(13,'g13',0),(14,'g14',NULL),(15,'g15',1);"
      "INSERT INTO tirUsers (fId, fName, fState) VALUES (1,'own4',10),(2,'group6',11),"
      "(3,'own0group7',12),(4,'base0',13),(5,'nogroup',0),(6,'basenull',14),(7,'norows',15),"
      "(8,'nullstate',NULL);"
      "INSERT INTO tirSettings (fUserId, fMId, fPType, fPB, fPI) VALUES (1,410,-26,4,0),"
      "(11,410,-42,6,0),(3,410,-26,0,0),(12,410,-42,7,0),(4,410,-26,7,0),(13,410,-42,7,0),"
      "(5,410,-26,7,0),(6,410,-26,7,0),(7,999,-26,7,0),(15,999,-42,7,0),(7,410,-42,7,0),"
      "(8,410,-26,7,0);");

  /* Own row with only right 4: the group and item 611, not 600 and 610. */
  CHECK_INT(MaskFor(m, services, 1, 1), 8 | 4);
  /* Group row 6, no own row: shop and load windows. */
  CHECK_INT(MaskFor(m, services, 2, 2), 8 | 2 | 4);
  /* Own row 0 wins over the group's 7. */
  CHECK_INT(MaskFor(m, services, 3, 1), 0);
  /* A rights group with fBase 0 or NULL, or no group: no rights whatever the rows say. */
  CHECK_INT(MaskFor(m, services, 4, 1), 0);
  CHECK_INT(MaskFor(m, services, 6, 1), 0);
  CHECK_INT(MaskFor(m, services, 5, 1), 0);
  CHECK_INT(MaskFor(m, services, 8, 1), 0);
  /* A usable group without rows of this module: decided by the user type. */
  CHECK_INT(MaskFor(m, services, 7, 1), 8 | 1 | 2 | 4);
  CHECK_INT(MaskFor(m, services, 7, 2), 0);
  CHECK_INT(MaskFor(m, services, 7, 3), 0);
  CHECK_INT(MaskFor(m, services, 7, 4), 0);
  /* A user without a row in tirUsers: type 1 may do everything, type 2 nothing. */
  CHECK_INT(MaskFor(m, services, 99, 1), 8 | 1 | 2 | 4);
  CHECK_INT(MaskFor(m, services, 99, 2), 0);

  /* -140 reloads the rights after the host changed them. */
  CHECK_INT(MaskFor(m, services, 2, 2), 8 | 2 | 4);
  Exec("UPDATE tirSettings SET fPB=1 WHERE fUserId=11 AND fPType=-42;");
  CHECK_INT(OfferedMask(m), 8 | 2 | 4); /* kept until reloaded */
  {
    TirModSearchOut out;
    memset(&out, 0, sizeof out);
    CHECK_INT(TirHostSendMessage(m, -140, 0, &out), 1);
  }
  CHECK_INT(OfferedMask(m), 8 | 1);

  /* u8: a granted command answers 0, a refused one too, an unknown command 1. */
  {
    TirU8Params cmd;
    memset(&cmd, 0, sizeof cmd);
    cmd.fCode = 600;
    CHECK_INT(m->u8(cmd), 0);
    cmd.fCode = 611;
    CHECK_INT(m->u8(cmd), 0);
    cmd.fCode = 612;
    CHECK_INT(m->u8(cmd), 1);
    cmd.fCode = 0;
    CHECK_INT(m->u8(cmd), 1);
  }
}

static void TestMenus(TirHostModule* m, const TirU7MenuParams* services) {
  TirU3MenuParams item;
  int32_t io;
  CHECK_INT(MaskFor(m, services, 99, 1), 15);

  io = 0;
  memset(&item, 0, sizeof item);
  CHECK_INT(m->u3(&io, &item), 0);
  CHECK_INT(io, 31);

  io = 1;
  CHECK_INT(m->u3(&io, &item), 0);
  CHECK_INT(item.fIdItemMenu, 23);
  CHECK_INT(item.fTypeMenu, 1);
  CHECK_INT(item.fMenuOrder, 4000);
  CHECK_INT(item.fIdParentMenu1, 0);
  CHECK_INT(item.fMenuImageIndex, -1);
  CHECK_INT(item.fToolbarImageIndex, -1);
  CHECK_STR(PText(item.fMenuName), "Сервис");

  /* The group writes its image index but not the toolbar index. */
  io = 2;
  item.fMenuImageIndex = 77;
  item.fToolbarImageIndex = 88;
  CHECK_INT(m->u3(&io, &item), 0);
  CHECK_INT(item.fIdItemMenu, 590);
  CHECK_INT(item.fTypeMenu, 0);
  CHECK_INT(item.fMenuOrder, 2500);
  CHECK_INT(item.fIdParentMenu1, 23);
  CHECK_INT(item.fMenuImageIndex, 27);
  CHECK_INT(item.fToolbarImageIndex, 88);
  CHECK_STR(PText(item.fMenuName), "Обмен данными");

  /* Items leave both image indexes as the host had them. */
  {
    static const int ids[] = {600, 610, 611};
    static const int orders[] = {1000, 2000, 3000};
    static const char* names[] = {"Универсальный обмен данными", "Обмен с интернет-магазином",
                                  "Загрузка данных с внешнего файла"};
    int k;
    for (k = 0; k < 3; ++k) {
      io = 3 + k;
      item.fMenuImageIndex = 55;
      item.fToolbarImageIndex = 66;
      CHECK_INT(m->u3(&io, &item), 0);
      CHECK_INT(io, 3 + k);
      CHECK_INT(item.fIdItemMenu, ids[k]);
      CHECK_INT(item.fTypeMenu, 0);
      CHECK_INT(item.fMenuOrder, orders[k]);
      CHECK_INT(item.fIdParentMenu1, 590);
      CHECK_INT(item.fMenuImageIndex, 55);
      CHECK_INT(item.fToolbarImageIndex, 66);
      CHECK_STR(PText(item.fMenuName), names[k]);
    }
  }
  /* Indexes past the module's items, and nonsense ones, are "no such item" and change nothing. */
  {
    static const int32_t others[] = {6, 30, 31, 32, 1000, -1};
    int k;
    for (k = 0; k < 6; ++k) {
      io = others[k];
      item.fIdItemMenu = 4242;
      CHECK_INT(m->u3(&io, &item), 2);
      CHECK_INT(io, others[k]);
      CHECK_INT(item.fIdItemMenu, 4242);
    }
  }
  /* Without rights: group and items refused, index 0 and 1 still answered. */
  CHECK_INT(MaskFor(m, services, 99, 2), 0);
  io = 1;
  CHECK_INT(m->u3(&io, &item), 0);
  io = 0;
  CHECK_INT(m->u3(&io, &item), 0);
  CHECK_INT(io, 31);
}

/* ---- messages and language */

static const char* ServiceName(TirHostModule* m) {
  TirU3MenuParams item;
  int32_t io = 1;
  memset(&item, 0, sizeof item);
  m->u3(&io, &item);
  return PText(item.fMenuName);
}

static const char* GroupName(TirHostModule* m) {
  TirU3MenuParams item;
  int32_t io = 2;
  memset(&item, 0, sizeof item);
  if (m->u3(&io, &item) != 0) return "";
  return PText(item.fMenuName);
}

static void TestMessages(TirHostModule* m, const TirU7MenuParams* services) {
  TirModSearchOut out;
  TirModSearchIn in;
  int idx;
  CHECK_INT(MaskFor(m, services, 99, 1), 15);
  memset(&out, 0, sizeof out);

  /* Another module id: result 1, reply cleared (its strings freed by the module). */
  memset(&in, 0, sizeof in);
  TirHostClearSearchIn(&in);
  in.fModuleId = 411;
  in.fSearchMode = -100;
  out.fId = 77;
  out.fCanceled = 5;
  out.fName = TirHostWideFromUtf8("old");
  CHECK_INT(m->u9(in, &out), 1);
  CHECK_INT(out.fId, 0);
  CHECK_INT(out.fCanceled, 0);
  CHECK(out.fName == NULL);

  CHECK_INT(TirHostSendMessage(m, -100, 0, &out), 1);
  CHECK_INT(out.fId, -100);
  CHECK_INT(TirHostSendMessage(m, -130, 0, &out), 1);
  CHECK_INT(out.fId, 0);
  out.fDataBigInt1 = 99;
  CHECK_INT(TirHostSendMessage(m, 888035, 0, &out), 1);
  CHECK_INT(out.fDataBigInt1, 0);
  CHECK_INT(TirHostSendMessage(m, 12345, 0, &out), 1);

  /* Rights enumeration. */
  CHECK_INT(TirHostSendMessage(m, -120, 0, &out), 0);
  CHECK_INT(out.fId, -120);
  CHECK_INT(out.fDataBigInt1, 0);
  CHECK_INT(out.fCanceled, 0);
  CHECK_STR(WText(out.fName), "Обмен данными (TirDataExchange)");
  CHECK_STR(WText(out.fStr1), "2147483647");
  CHECK_STR(WText(out.fStr2), "0");
  CHECK_STR(WText(out.fStr3), "0");
  {
    static const int bits[] = {1, 2, 4};
    static const char* names[] = {"Универсальный обмен", "С интернет-магазином",
                                  "Загрузка данных с файла"};
    for (idx = 1; idx <= 3; ++idx) {
      CHECK_INT(TirHostSendMessage(m, -120, idx, &out), 0);
      CHECK_INT(out.fId, -120);
      CHECK_INT(out.fDataBigInt1, bits[idx - 1]);
      CHECK_INT(out.fCanceled, 0);
      CHECK_STR(WText(out.fName), names[idx - 1]);
      CHECK(out.fStr1 == NULL);
    }
  }
  CHECK_INT(TirHostSendMessage(m, -120, 4, &out), 0);
  CHECK_INT(out.fId, -120);
  CHECK_INT(out.fCanceled, 1);
  CHECK(out.fName == NULL && out.fStr1 == NULL);
  CHECK_INT(out.fDataBigInt1, 0);
  /* The index is the low 32 bits of fDataBigInt1. */
  CHECK_INT(TirHostSendMessage(m, -120, ((int64_t)1 << 32) | 2, &out), 0);
  CHECK_INT(out.fDataBigInt1, 2);

  /* Language: the start used language 1. */
  CHECK_STR(ServiceName(m), "Сервис");
  CHECK_INT(TirHostSendMessage(m, -200, 0, &out), 1);
  CHECK_STR(ServiceName(m), "Сервис");
  CHECK_INT(TirHostSendMessage(m, -200, 3, &out), 1);
  CHECK_STR(ServiceName(m), "Сервис");
  CHECK_INT(TirHostSendMessage(m, -200, -1, &out), 1);
  CHECK_STR(ServiceName(m), "Сервис");
  CHECK_INT(TirHostSendMessage(m, -200, 2, &out), 1);
  CHECK_STR(ServiceName(m), "Сервіс");
  CHECK_STR(GroupName(m), "Обмін даними");
  CHECK_INT(TirHostSendMessage(m, -200, 2, &out), 1);
  CHECK_STR(ServiceName(m), "Сервіс");
  CHECK_INT(TirHostSendMessage(m, -120, 0, &out), 0);
  CHECK_STR(WText(out.fName), "Обмін даними (TirDataExchange)");
  CHECK_INT(TirHostSendMessage(m, -200, ((int64_t)7 << 32) | 1, &out), 1);
  CHECK_STR(ServiceName(m), "Сервис");

  /* Stop, a second stop and a start in Ukrainian. */
  CHECK_INT(TirHostSendMessage(m, -170, 0, &out), 1);
  CHECK_INT(TirHostSendMessage(m, -170, 0, &out), 1);
  CHECK_INT(TirHostSendMessage(m, -160, 2, &out), 1);
  CHECK_STR(ServiceName(m), "Сервіс");
  CHECK_INT(TirHostSendMessage(m, -170, 0, &out), 1);
  CHECK_INT(TirHostSendMessage(m, -160, 1, &out), 1);
  CHECK_STR(GroupName(m), "Обмен данными");
  TirHostClearSearchOut(&out);
}

/* ---- the substitute host's callbacks */

static int logged = 0;
static char lastLog[256];

static void Sink(const char* utf8, uint8_t type, uint8_t ifLog, void* context) {
  (void)context;
  ++logged;
  snprintf(lastLog, sizeof lastLog, "%d/%d %s", type, ifLog, utf8);
}

static void TestCallbacks(void) {
  TirModSearchIn in;
  TirModSearchOut out;
  TirDllInfo info;
  TirChar16* text;

  memset(&out, 0, sizeof out);
  Exec(
      "INSERT INTO tirGoodsGroups (fId, fName) VALUES (501,'Напої'),(502,'Кава');"
      "INSERT INTO tirAMSettlement (fId, fContractId, fTransactId, fSign, fSum) VALUES "
      "(1,70,0,1,100.5),(2,70,3,-1,20),(3,71,0,1,5);");

  memset(&in, 0, sizeof in);
  TirHostClearSearchIn(&in);
  in.fModuleId = 20;
  in.fSearchMode = 888023;
  in.fSearchStr = TirHostWideFromUtf8("502,501,999");
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK_STR(WText(out.fNameShowMod), "Кава, Напої");
  TirHostClearSearchIn(&in);

  /* A text that is not an id list is refused, never pasted into SQL. */
  in.fModuleId = 20;
  in.fSearchMode = 888023;
  in.fSearchStr = TirHostWideFromUtf8("1); DROP TABLE tirGoodsGroups; --");
  CHECK_INT(TirHostSearchFunc(in, &out), 1);
  CHECK_INT(out.fCanceled, 1);
  CHECK_INT(Scalar("SELECT COUNT(*) FROM tirGoodsGroups WHERE fId IN (501,502);"), 2);
  TirHostClearSearchIn(&in);

  in.fModuleId = 20;
  in.fSearchMode = 888020;
  in.fSearchStr = TirHostWideFromUtf8("501");
  TirHostConfigureGroupPicker(NULL);
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK_STR(WText(out.fStrDataList), "501");
  CHECK_STR(WText(out.fNameShowMod), "Напої");
  TirHostConfigureGroupPicker("501,502");
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK_STR(WText(out.fStrDataList), "501,502");
  CHECK_STR(WText(out.fNameShowMod), "Напої, Кава");
  TirHostClearSearchIn(&in);

  in.fModuleId = 170;
  in.fSearchMode = 5000;
  in.fContractId = 70;
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK(TirHostExtendedToDouble(out.fDataFloat1) == 80.5);
  in.fTransactionId = 3;
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK(TirHostExtendedToDouble(out.fDataFloat1) == -20.0);
  in.fSearchMode = 1024;
  CHECK_INT(TirHostSearchFunc(in, &out), 0);

  TirHostClearSearchIn(&in);
  in.fModuleId = 330;
  in.fSearchMode = 888014;
  TirHostConfigureScales(2, 150, 1.25, "4820000000017");
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK_INT(out.fDataBigInt1, 2);
  CHECK_INT(out.fDataBigInt2, 150);
  in.fSearchMode = 888015;
  in.fDataBigInt1 = 2;
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK(TirHostExtendedToDouble(out.fDataFloat1) == 1.25);
  in.fDataBigInt1 = 3;
  CHECK_INT(TirHostSearchFunc(in, &out), 1);
  CHECK_INT(out.fCanceled, 1);
  in.fSearchMode = 888025;
  CHECK_INT(TirHostSearchFunc(in, &out), 0);
  CHECK_STR(WText(out.fBarCode), "4820000000017");

  in.fModuleId = 55;
  in.fSearchMode = 1;
  CHECK_INT(TirHostSearchFunc(in, &out), 1);
  CHECK_INT(out.fCanceled, 1);
  CHECK_INT(TirHostRequestCount(330, 888015), 2);
  TirHostClearSearchOut(&out);

  /* Database log. */
  text = TirHostWideFromUtf8("Проведення документа");
  CHECK_INT(TirHostSysLogDB(3, 7, 0, 1234, text), 0);
  TirSysFreeString(text);
  CHECK_INT(Scalar("SELECT COUNT(*) FROM tirSysLog WHERE fUserId=3 AND fType=7 AND fDocId=1234 "
                   "AND fData='Проведення документа' AND fDateTime IS NOT NULL;"),
            1);

  /* Message log. */
  memset(&info, 0, sizeof info);
  TirHostSetLogSink(Sink, NULL);
  text = TirHostWideFromUtf8("Готово");
  CHECK_INT(TirHostLogMessage(text, 3, info, 0), 0);
  TirSysFreeString(text);
  CHECK_INT(logged, 1);
  CHECK_STR(lastLog, "3/0 Готово");
  TirHostSetLogSink(NULL, NULL);
}

int main(int argc, char** argv) {
  char error[512];
  char path[256];
  void* connection;
  TirHostModule* module;
  TirU7MenuParams services;
  TirU6MenuParams app;

  if (argc < 2) {
    fprintf(stderr, "usage: %s MODULE.so\n", argv[0]);
    return 2;
  }

  module = TirHostLoadModule("/nonexistent/libTirDataExchange.so", error, sizeof error);
  CHECK(module == NULL && strstr(error, "Cannot load") != NULL);

  snprintf(path, sizeof path, "/tmp/tir_module_host_%d.sqlite", (int)getpid());
  remove(path);
  connection = TirHostOpenConnection(path);
  CHECK(connection != NULL);
  if (connection == NULL || sqlite3_open(path, &db) != SQLITE_OK) return 1;
  sqlite3_busy_timeout(db, 5000);

  module = TirHostLoadModule(argv[1], error, sizeof error);
  if (module == NULL) {
    fprintf(stderr, "%s\n", error);
    return 1;
  }
  keep[0] = TirHostWideFromUtf8("BASE1");
  keep[1] = TirHostWideFromUtf8("TirvaloMain.config");
  keep[2] = TirHostWideFromUtf8("TirvaloMainAll.config");
  keep[3] = TirHostWideFromUtf8("\\TirvaloMainBack");

  TestHandshake(module);

  TirHostDefaultServices(connection, &services);
  app = AppParams(99, 1);
  CHECK_INT(TirHostStartModule(module, &app, &services, 1, error, sizeof error), 0);
  CHECK_INT(module->info.fDllID, 410);
  TestMenus(module, &services);
  TestRights(module, &services);
  TestMessages(module, &services);
  TestCallbacks();

  /* Rights need the connection: without one u7 fails and nothing is offered. */
  {
    TirU7MenuParams none = services;
    none.fFDConnect = NULL;
    TirHostSetLogSink(Sink, NULL);
    CHECK_INT(module->u60(AppParams(1, 1)), 0);
    CHECK_INT(module->u7(none), 1);
    CHECK_INT(OfferedMask(module), 0);
    CHECK(strstr(lastLog, "u7: ErrorSQL: ") != NULL);
    TirHostSetLogSink(NULL, NULL);
  }

  TirHostUnloadModule(module);
  TirHostCloseConnection(connection);
  sqlite3_close(db);
  remove(path);
  {
    char side[300];
    snprintf(side, sizeof side, "%s-wal", path);
    remove(side);
    snprintf(side, sizeof side, "%s-shm", path);
    remove(side);
  }
  for (int k = 0; k < 4; ++k) TirSysFreeString(keep[k]);
  printf("%d checks, %d failed\n", checks, failures);
  return failures == 0 ? 0 : 1;
}
