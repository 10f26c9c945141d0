#include "update_language.h"

#include "text.h"

#include <array>
#include <string>

namespace olib::update {

namespace {

constexpr std::array<UpdateTexts, 18> kRows{{
    {"", "Update available", "This program has been updated.",
     "It is recommended to download and execute new for stable use.\n\n"
     "Do you want to download it?"},
    {"ko", "업데이트 가능", "업데이트 정보가 있습니다.",
     "안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\n\n다운로드 받으시겠습니까?"},
    {"ja", "アップデート可", "このプログラムがアップデートされました。",
     "安定してご使用いただくため、新しいバージョンのダウンロードと実行をお勧めします。\n\n"
     "ダウンロードしますか？"},
    {"zh", "可更新", "该程序已更新。", "为了稳定使用，建议下载并运行新版本。\n\n要下载吗？"},
    {"ru", "Обновление", "Данная программа была обновлена.",
     "Для стабильной работы рекомендуется загрузить и запустить новую версию.\n\n"
     "Загрузить её?"},
    {"it", "Aggiornabile", "È disponibile una nuova versione del programma.",
     "Per un uso stabile si consiglia di scaricare ed eseguire la nuova versione.\n\n"
     "Vuoi scaricarla?"},
    {"fr", "Maj dispo", "Ce programme a été mis à jour.",
     "Pour une utilisation stable, il est recommandé de télécharger et d'exécuter la "
     "nouvelle version.\n\nVoulez-vous la télécharger ?"},
    {"es", "Actualización disponible", "Este programa ha sido actualizado.",
     "Se recomienda descargar y ejecutar la nueva versión para un uso estable.\n\n"
     "¿Desea descargarla?"},
    {"ar", "تحديث متاح", "تم تحديث هذا البرنامج.",
     "يوصى بتنزيل الإصدار الجديد وتشغيله من أجل استخدام مستقر.\n\nهل تريد تنزيله؟"},
    {"pt", "Atualização disponível", "Este programa foi atualizado.",
     "Recomenda-se baixar e executar a nova versão para um uso estável.\n\n"
     "Deseja baixá-la?"},
    {"de", "Update möglich", "Dieses Programm ist aktualisiert worden.",
     "Für eine stabile Nutzung wird empfohlen, die neue Version herunterzuladen und "
     "auszuführen.\n\nMöchten Sie sie herunterladen?"},
    {"hi", "अपडेट उपलब्ध", "यह प्रोग्राम अपडेट हो गया है।",
     "स्थिर उपयोग के लिए नया संस्करण डाउनलोड करके चलाने की सलाह दी जाती है।\n\n"
     "क्या आप इसे डाउनलोड करना चाहते हैं?"},
    {"tr", "Güncelleme var", "Bu program güncellendi.",
     "Kararlı kullanım için yeni sürümü indirip çalıştırmanız önerilir.\n\n"
     "İndirmek istiyor musunuz?"},
    {"vi", "Có bản cập nhật", "Chương trình này đã được cập nhật.",
     "Bạn nên tải xuống và chạy phiên bản mới để sử dụng ổn định.\n\n"
     "Bạn có muốn tải xuống không?"},
    {"th", "มีอัปเดต", "โปรแกรมนี้ได้รับการอัปเดตแล้ว",
     "ขอแนะนำให้ดาวน์โหลดและเรียกใช้เวอร์ชันใหม่เพื่อการใช้งานที่เสถียร\n\n"
     "คุณต้องการดาวน์โหลดหรือไม่?"},
    {"id", "Pembaruan tersedia", "Program ini telah diperbarui.",
     "Disarankan untuk mengunduh dan menjalankan versi baru agar penggunaan stabil.\n\n"
     "Apakah Anda ingin mengunduhnya?"},
    {"pl", "Dostępna aktualizacja", "Ten program został zaktualizowany.",
     "Zaleca się pobranie i uruchomienie nowej wersji, aby zapewnić stabilne działanie.\n\n"
     "Czy chcesz ją pobrać?"},
    {"nl", "Update beschikbaar", "Dit programma is bijgewerkt.",
     "Het wordt aanbevolen de nieuwe versie te downloaden en uit te voeren voor stabiel "
     "gebruik.\n\nWilt u deze downloaden?"},
}};

bool is_ascii_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

const UpdateTexts& update_texts_for(std::string_view language_tag) {
  std::string_view primary = language_tag.substr(0, language_tag.find_first_of("-_"));
  std::string code = ascii_lower(trim(primary));
  if (code.size() == 2 && is_ascii_letter(code[0]) && is_ascii_letter(code[1])) {
    for (const auto& row : kRows) {
      if (row.code == code) return row;
    }
  }
  return kRows[0];
}

}  // namespace olib::update
