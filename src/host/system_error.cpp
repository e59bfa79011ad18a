#include "host/system_error.h"

#include <cerrno>

namespace tally::host {

QString SystemErrorText(int error) {
  switch (error) {
    case ENOSPC: return QStringLiteral("o disco está cheio");
    case EDQUOT: return QStringLiteral("a cota de disco do usuário acabou");
    case EFBIG: return QStringLiteral("o arquivo passou do tamanho máximo permitido");
    case EROFS: return QStringLiteral("o disco só permite leitura");
    case EACCES:
    case EPERM: return QStringLiteral("não há permissão para isso");
    case ENOENT: return QStringLiteral("o arquivo ou a pasta não existe");
    case ENOTDIR: return QStringLiteral("parte do caminho não é uma pasta");
    case EISDIR: return QStringLiteral("é uma pasta");
    case ELOOP: return QStringLiteral("há um laço de ligações simbólicas no caminho");
    case ENAMETOOLONG: return QStringLiteral("o nome do arquivo é longo demais");
    case EEXIST: return QStringLiteral("o arquivo já existe");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("o arquivo está em uso");
    case EIO: return QStringLiteral("houve um erro de leitura ou gravação no disco");
    case EMFILE:
    case ENFILE: return QStringLiteral("há arquivos abertos demais");
    case ENOMEM: return QStringLiteral("falta memória");
    case ENXIO: return QStringLiteral("ninguém está lendo do outro lado");
    case EPIPE: return QStringLiteral("o outro lado deixou de ler");
    case EINVAL: return QStringLiteral("o sistema de arquivos não aceita a operação");
    case EXDEV: return QStringLiteral("o arquivo está em outro disco");
    case ENODEV:
    case EOPNOTSUPP: return QStringLiteral("o dispositivo não aceita a operação");
    default: return QStringLiteral("erro do sistema número %1").arg(error);
  }
}

}  // namespace tally::host
