#include "transport/upload_failure_text.h"

#include <cstdlib>

#include "frame/dm_lang.h"

namespace tir::transport {

namespace {

struct TWording {
  long code;  // libcurl's error number; 0 for any other
  const char* ru;
  const char* ua;
};

constexpr TWording kTransfer[] = {
    {1, "адрес не начинается с «http://» или «https://»",
     "адреса не починається з «http://» або «https://»"},
    {3, "неверный адрес", "неправильна адреса"},
    {5, "не найден прокси-сервер", "не знайдено проксі-сервер"},
    {6, "не найден сервер с таким именем", "не знайдено сервер з таким ім'ям"},
    {7, "не удалось подключиться к серверу", "не вдалося підключитися до сервера"},
    {26, "не удается прочитать файл для отправки", "не вдається прочитати файл для відправки"},
    {28, "сервер не ответил вовремя", "сервер не відповів вчасно"},
    {35, "не удалось установить защищенное соединение", "не вдалося встановити захищене з'єднання"},
    {47, "слишком много перенаправлений", "забагато перенаправлень"},
    {52, "сервер закрыл соединение, не ответив", "сервер закрив з'єднання, не відповівши"},
    {55, "соединение прервалось при отправке", "з'єднання перервалося під час відправки"},
    {56, "соединение прервалось при получении ответа",
     "з'єднання перервалося під час отримання відповіді"},
    {60, "сертификат сервера не прошел проверку", "сертифікат сервера не пройшов перевірку"},
    {0, "не удалось передать файл на сервер", "не вдалося передати файл на сервер"},
};

const char* In(std::int32_t aLanguage, const char* aRu, const char* aUa) {
  return aLanguage == frame::kLangUa ? aUa : aRu;
}

// libcurl's error number at the end of the answer ("... (curl 7)"), or -1.
long CurlCode(const std::string& aAnswer) {
  const std::size_t at = aAnswer.rfind("(curl ");
  if (at == std::string::npos || aAnswer.back() != ')') return -1;
  const char* digits = aAnswer.c_str() + at + 6;
  char* end = nullptr;
  const long code = std::strtol(digits, &end, 10);
  return (end != digits && *end == ')') ? code : -1;
}

}  // namespace

std::string UploadFailureText(std::int32_t aResult, const std::string& aAnswer,
                              const std::string& aURL, const std::string& aFile,
                              std::int32_t aLanguage) {
  switch (aResult) {
    case 1:
      return In(aLanguage, "не указан URL или файл для отправки",
                "не вказано URL або файл для відправки");
    case 2:
      return In(aLanguage, "не удается прочитать файл ", "не вдається прочитати файл ") + aFile;
    case 3: {
      const long code = CurlCode(aAnswer);
      if (code < 0) return aAnswer;
      const TWording* wording = &kTransfer[0];
      while (wording->code != 0 && wording->code != code) ++wording;
      return std::string(In(aLanguage, wording->ru, wording->ua)) + ": " + aURL + " (" +
             In(aLanguage, "код ", "код ") + std::to_string(code) + ")";
    }
    case 4: {
      // "HTTP/1.1 500 Internal Server Error": the number after the protocol.
      if (aAnswer.rfind("HTTP", 0) != 0) return aAnswer;
      const std::size_t space = aAnswer.find(' ');
      const std::size_t lineEnd = aAnswer.find('\n');
      const std::string status = space < lineEnd ? aAnswer.substr(space + 1, 3) : "";
      const std::string body = lineEnd == std::string::npos ? "" : aAnswer.substr(lineEnd + 1);
      return In(aLanguage, "сервер ", "сервер ") + aURL +
             In(aLanguage, " ответил кодом ", " відповів кодом ") + status +
             (body.empty() ? "" : "\n" + body);
    }
    default:
      return aAnswer;
  }
}

}  // namespace tir::transport
