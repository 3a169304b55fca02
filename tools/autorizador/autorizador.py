#!/usr/bin/python3
"""Local NF-e 4.00 authoriser for tests and demos.

Serves the public NF-e 4.00 web-service contract (SOAP 1.2 over HTTPS with a
client certificate) on 127.0.0.1 so that an NF-e client can be exercised on
real sockets: status, authorisation (synchronous and by receipt), receipt
query, protocol query, events (cancellation, correction letter) and number
voiding. What it authorises is kept in memory and in a state folder, so a
restart keeps it. Faults can be injected through a control file in the state
folder. The `certs` subcommand writes a test PKI (CA, server certificates,
ICP-Brasil-like A1 client certificates).

Usage:
  autorizador.py serve --cert F --key F --client-ca F --state DIR [--port 0]
                       [--port-file F] [--tpamb 2] [--svc AN|RS] [--uf 35,41]
                       [--schemas DIR]
  autorizador.py certs DIR --cnpj CNPJ [--cnpj ...] [--expired-cnpj CNPJ]
                       [--password-file F]
"""

import argparse
import base64
import copy
import datetime
import http.server
import ipaddress
import json
import os
import re
import signal
import socket
import ssl
import sys
import tempfile
import threading
import traceback

from lxml import etree
import xmlsec
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.hazmat.primitives.serialization import pkcs12
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

NFE_NS = "http://www.portalfiscal.inf.br/nfe"
DS_NS = "http://www.w3.org/2000/09/xmldsig#"
SOAP12_NS = "http://www.w3.org/2003/05/soap-envelope"
SOAP11_NS = "http://schemas.xmlsoap.org/soap/envelope/"
WSDL_NS = "http://www.portalfiscal.inf.br/nfe/wsdl/"
N = "{%s}" % NFE_NS
DS = "{%s}" % DS_NS

VER_APLIC = "AUTORIZADOR-LOCAL"
ALL_UFS = ["11", "12", "13", "14", "15", "16", "17", "21", "22", "23", "24",
           "25", "26", "27", "28", "29", "31", "32", "33", "35", "41", "42",
           "43", "50", "51", "52", "53"]
MAX_MESSAGE = 500 * 1024          # MOC rule B01: larger data areas get 214
MAX_BODY = 8 * 1024 * 1024        # beyond this the request is not read at all
HANDSHAKE_TIMEOUT = 30
IDLE_TIMEOUT = 300

TP_CANCEL = "110111"
TP_CCE = "110110"

# Texts of the return codes, as the MOC tables word them (Latin-1 only: the
# schemas' TString admits nothing beyond U+00FF).
TEXTS = {
    100: "Autorizado o uso da NF-e",
    101: "Cancelamento de NF-e homologado",
    102: "Inutilização de número homologado",
    103: "Lote recebido com sucesso",
    104: "Lote processado",
    105: "Lote em processamento",
    106: "Lote não localizado",
    107: "Serviço em Operação",
    108: "Serviço Paralisado Momentaneamente (curto prazo)",
    109: "Serviço Paralisado sem Previsão",
    110: "Uso Denegado",
    128: "Lote de Evento Processado",
    135: "Evento registrado e vinculado a NF-e",
    204: "Rejeição: Duplicidade de NF-e",
    205: "Rejeição: NF-e está denegada na base de dados da SEFAZ",
    206: "Rejeição: NF-e já está inutilizada na Base de dados da SEFAZ",
    207: "Rejeição: CNPJ do emitente inválido",
    213: "Rejeição: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital",
    214: "Rejeição: Tamanho da mensagem excedeu o limite estabelecido",
    215: "Rejeição: Falha no schema XML",
    217: "Rejeição: NF-e não consta na base de dados da SEFAZ",
    222: "Rejeição: Protocolo de Autorização de Uso difere do cadastrado",
    224: "Rejeição: A faixa inicial é maior que a faixa final",
    225: "Rejeição: Falha no Schema XML do lote de NFe",
    226: "Rejeição: Código da UF do Emitente diverge da UF autorizadora",
    236: "Rejeição: Chave de Acesso com dígito verificador inválido",
    241: "Rejeição: Um número da faixa já foi utilizado",
    249: "Rejeição: UF da Chave de Acesso diverge da UF autorizadora",
    250: "Rejeição: UF diverge da UF autorizadora",
    252: "Rejeição: Ambiente informado diverge do Ambiente de recebimento",
    253: "Rejeição: Digito Verificador da chave de acesso composta inválida",
    256: "Rejeição: Uma NF-e da faixa já está inutilizada na Base de dados da SEFAZ",
    297: "Rejeição: Assinatura difere do calculado",
    298: "Rejeição: Assinatura difere do padrão do Sistema",
    301: "Uso Denegado: Irregularidade fiscal do emitente",
    302: "Uso Denegado: Irregularidade fiscal do destinatário",
    303: "Uso Denegado: Destinatário não habilitado a operar na UF",
    410: "Rejeição: UF informada no campo cUF não é atendida pelo Web Service",
    453: "Rejeição: Ano de inutilização não pode ser superior ao Ano atual",
    454: "Rejeição: Ano de inutilização não pode ser inferior a 2006",
    491: "Rejeição: O tpEvento informado inválido",
    494: "Rejeição: Chave de Acesso inexistente",
    502: "Rejeição: Erro na Chave de Acesso - Campo Id não corresponde à concatenação dos campos correspondentes",
    539: "Rejeição: Duplicidade de NF-e com diferença na Chave de Acesso",
    563: "Rejeição: Já existe pedido de Inutilização com a mesma faixa de inutilização",
    570: "Rejeição: Tipo de Emissão 3, 6 ou 7 só é válido nas contingências SCAN/SVC",
    572: "Rejeição: Erro Atributo ID do evento não corresponde a concatenação dos campos (\"ID\" + tpEvento + chNFe + nSeqEvento)",
    573: "Rejeição: Duplicidade de Evento",
    574: "Rejeição: O autor do evento diverge do emissor da NF-e",
    580: "Rejeição: Evento exige uma NF-e autorizada",
    711: "Rejeição: NF-e com contingência off-line",
    713: "Rejeição: Tipo de Emissão diferente de 6 ou 7 para contingência da SVC acessada",
    764: "Rejeição: Solicitada resposta síncrona para Lote com mais de uma NF-e (indSinc=1)",
    999: "Rejeição: Erro não catalogado",
}

# Codes that concern a whole lot rather than one document in it: an injected
# "reject" with one of these answers at the lot level.
LOT_CODES = {108, 109, 214, 215, 225, 239, 242, 243, 402, 404, 409, 410, 411,
             516, 517, 545, 565, 567, 568, 587, 588, 656, 764, 776}
DENIAL_CODES = {110, 301, 302, 303}
# services whose answer carries one result per document (protNFe, retEvento)
# or whose document is the message itself (infInut): an injected rejection
# that is not a lot-level code lands on the document
PER_DOCUMENT = {"NFeAutorizacao4", "NFeRecepcaoEvento4", "NFeInutilizacao4"}

# service -> (request root, request schema, return root, return schema)
SERVICES = {
    "NFeStatusServico4": ("consStatServ", "consStatServ_v4.00.xsd",
                          "retConsStatServ", "retConsStatServ_v4.00.xsd"),
    "NFeAutorizacao4": ("enviNFe", "enviNFe_v4.00.xsd",
                        "retEnviNFe", "retEnviNFe_v4.00.xsd"),
    "NFeRetAutorizacao4": ("consReciNFe", "consReciNFe_v4.00.xsd",
                           "retConsReciNFe", "retConsReciNFe_v4.00.xsd"),
    "NFeConsultaProtocolo4": ("consSitNFe", "consSitNFe_v4.00.xsd",
                              "retConsSitNFe", "retConsSitNFe_v4.00.xsd"),
    "NFeRecepcaoEvento4": ("envEvento", None,
                           "retEnvEvento", "retEnvEventoCancNFe_v1.00.xsd"),
    "NFeInutilizacao4": ("inutNFe", "inutNFe_v4.00.xsd",
                         "retInutNFe", "retInutNFe_v4.00.xsd"),
}
EVENT_SCHEMAS = {TP_CANCEL: "envEventoCancNFe_v1.00.xsd", TP_CCE: "envCCe_v1.00.xsd"}
EVENT_RETURN_SCHEMAS = {TP_CANCEL: "retEnvEventoCancNFe_v1.00.xsd", TP_CCE: "retEnvCCe_v1.00.xsd"}
X_EVENTO = {TP_CANCEL: "Cancelamento registrado", TP_CCE: "Carta de Correção registrada"}

ECHO_PATTERNS = {"chNFe": r"[0-9]{6}[0-9A-Z]{12}[0-9]{26}", "tpEvento": r"[0-9]{6}",
                 "nSeqEvento": r"[1-9][0-9]?"}

FAULTS_BY_SERVICE = {
    "deny": {"NFeAutorizacao4"},
    "processing": {"NFeRetAutorizacao4"},
}

BRT = datetime.timezone(datetime.timedelta(hours=-3))

PARSER = etree.XMLParser(resolve_entities=False, no_network=True, load_dtd=False,
                         huge_tree=False)


def log(*parts):
    print(datetime.datetime.now().strftime("%H:%M:%S"), *parts, file=sys.stderr, flush=True)


def now_brt():
    return datetime.datetime.now(BRT)


def dh(moment=None):
    """A date-time in the TDateTimeUTC form the return schemas require."""
    return (moment or now_brt()).strftime("%Y-%m-%dT%H:%M:%S-03:00")


def motivo(code, suffix=""):
    return TEXTS.get(code, TEXTS[999]) + suffix


# ---------------------------------------------------------------- check digits

def mod11(text):
    """Modulo-11 digit of the access key and of the CNPJ: each character is
    worth ord(c)-48 (so the letters of an alphanumeric CNPJ are worth 17 and
    up), weights 2..9 from the right, remainder 0 or 1 gives 0."""
    total, weight = 0, 2
    for ch in reversed(text):
        total += (ord(ch) - 48) * weight
        weight = 2 if weight == 9 else weight + 1
    rem = total % 11
    return 0 if rem < 2 else 11 - rem


def cnpj_valid(cnpj):
    if not re.fullmatch(r"[0-9A-Z]{12}[0-9]{2}", cnpj or "") or cnpj == "0" * 14:
        return False
    d1 = mod11(cnpj[:12])
    return cnpj[12:] == "%d%d" % (d1, mod11(cnpj[:12] + str(d1)))


def key_dv_ok(key):
    return len(key) == 44 and key[43].isdigit() and int(key[43]) == mod11(key[:43])


# ------------------------------------------------------------------ XML bits

def text(elem, path):
    if elem is None:
        return None
    found = elem.find(path)
    return None if found is None or found.text is None else found.text


def sub(parent, tag, value=None, **attrib):
    el = etree.SubElement(parent, N + tag, **attrib)
    if value is not None:
        el.text = str(value)
    return el


def new(tag, **attrib):
    return etree.Element(N + tag, nsmap={None: NFE_NS}, **attrib)


def standalone(elem):
    """A copy of elem as its own document, with only the namespaces it uses:
    signatures are computed by clients over the element alone, not over
    whatever envelope happens to declare around it."""
    dup = copy.deepcopy(elem)
    etree.cleanup_namespaces(dup)
    return etree.fromstring(etree.tostring(dup), PARSER)


class Schemas:
    def __init__(self, folder):
        self.folder = folder
        self._cache = {}
        self._locks = {}
        self._guard = threading.Lock()
        names = set(EVENT_SCHEMAS.values()) | set(EVENT_RETURN_SCHEMAS.values())
        for _, req, _, ret in SERVICES.values():
            names.update(n for n in (req, ret) if n)
        for name in sorted(names):
            self._load(name)

    def _load(self, name):
        with self._guard:
            if name not in self._cache:
                path = os.path.join(self.folder, name)
                self._cache[name] = etree.XMLSchema(etree.parse(path))
                self._locks[name] = threading.Lock()
            return self._cache[name], self._locks[name]

    def errors(self, name, elem):
        """None when elem is valid against schema `name`, else the first error."""
        schema, lock = self._load(name)
        doc = etree.ElementTree(standalone(elem))
        with lock:     # an XMLSchema object keeps one error log
            if schema.validate(doc):
                return None
            return str(schema.error_log.last_error)


# ------------------------------------------------------------ certificates

def _der_string(value):
    """Content of a DER string (UTF8String, PrintableString, IA5String, OCTET
    STRING...) as ICP-Brasil puts it in an otherName."""
    if len(value) < 2:
        return ""
    length, pos = value[1], 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(value[2:2 + count], "big")
        pos = 2 + count
    return value[pos:pos + length].decode("latin-1", "replace")


def cert_ids(cert):
    """CNPJs and CPFs a certificate stands for: the ICP-Brasil otherName
    entries (2.16.76.1.3.3 CNPJ, 2.16.76.1.3.1 birth date + CPF) and the
    'NAME:NUMBER' form of A1 common names."""
    cnpjs, cpfs = set(), set()
    try:
        san = cert.extensions.get_extension_for_class(x509.SubjectAlternativeName).value
        for name in san:
            if isinstance(name, x509.OtherName):
                value = _der_string(name.value).strip()
                if name.type_id.dotted_string == "2.16.76.1.3.3" and re.match(r"[0-9A-Z]{12}[0-9]{2}", value):
                    cnpjs.add(value[:14])
                elif name.type_id.dotted_string == "2.16.76.1.3.1" and re.match(r"[0-9]{19}", value):
                    cpfs.add(value[8:19])
    except x509.ExtensionNotFound:
        pass
    for attr in cert.subject.get_attributes_for_oid(NameOID.COMMON_NAME):
        if ":" in attr.value:
            tail = attr.value.rsplit(":", 1)[1].strip()
            if re.fullmatch(r"[0-9A-Z]{12}[0-9]{2}", tail):
                cnpjs.add(tail)
            elif re.fullmatch(r"[0-9]{11}", tail):
                cpfs.add(tail)
    return cnpjs, cpfs


def ids_cover(ids, cnpj=None, cpf=None):
    """Whether a certificate's identities cover an emitter: same CNPJ root
    (first 8 characters) for a company, the same CPF for a person."""
    if ids is None:
        return False
    cnpjs, cpfs = ids
    if cnpj:
        return any(c[:8] == cnpj[:8] for c in cnpjs)
    if cpf:
        return cpf in cpfs
    return False


def check_signature(doc, signed, signed_id):
    """Checks the enveloped signature of `signed` (infNFe, infEvento,
    infInut) inside the standalone document `doc`. Returns (cStat or None,
    digest value, signing certificate identities)."""
    sig = doc.find(DS + "Signature")
    if sig is None:
        return 298, None, None
    refs = sig.findall("%sSignedInfo/%sReference" % (DS, DS))
    if len(refs) != 1 or refs[0].get("URI") != "#" + (signed_id or ""):
        return 298, None, None
    transforms = [t.get("Algorithm") for t in refs[0].iter(DS + "Transform")]
    if "http://www.w3.org/2000/09/xmldsig#enveloped-signature" not in transforms:
        return 298, None, None
    digest = (text(refs[0], DS + "DigestValue") or "").strip()
    cert_b64 = text(sig, "%sKeyInfo/%sX509Data/%sX509Certificate" % (DS, DS, DS))
    try:
        der = base64.b64decode("".join((cert_b64 or "").split()), validate=True)
        cert = x509.load_der_x509_certificate(der)
    except Exception:
        return 297, digest, None
    try:
        xmlsec.tree.add_ids(doc, ["Id"])
        ctx = xmlsec.SignatureContext()
        ctx.key = xmlsec.Key.from_memory(der, xmlsec.constants.KeyDataFormatCertDer)
        ctx.verify(sig)
    except Exception:
        return 297, digest, None
    return None, digest, cert_ids(cert)


# --------------------------------------------------------------- state store

def write_json_atomic(path, data):
    folder = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(prefix=".tmp-", dir=folder)
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            json.dump(data, f, ensure_ascii=False, indent=1, sort_keys=True)
            f.flush()
            os.fsync(f.fileno())
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


class Store:
    """What the authoriser has decided, in memory and in DIR/state.json.
    Every check-then-record happens under one lock, so two submissions of
    the same number can never both be authorised."""

    def __init__(self, folder):
        self.folder = folder
        self.path = os.path.join(folder, "state.json")
        self.stats_path = os.path.join(folder, "stats.json")
        self.lock = threading.RLock()
        self.data = {"seq_prot": 0, "seq_rec": 0, "nfe": {}, "numbers": {},
                     "voided": [], "receipts": {}}
        self.stats = {"requests": {}, "authorised": 0, "denied": 0,
                      "submissions": {}, "authorisations": {}, "events": 0,
                      "voidings": 0, "faults": []}
        if os.path.exists(self.path):
            with open(self.path, encoding="utf-8") as f:
                self.data.update(json.load(f))
        if os.path.exists(self.stats_path):
            try:
                with open(self.stats_path, encoding="utf-8") as f:
                    self.stats.update(json.load(f))
            except ValueError:
                pass

    def save(self):
        write_json_atomic(self.path, self.data)

    def save_stats(self):
        write_json_atomic(self.stats_path, self.stats)

    def count(self, section, key=None, by=1):
        with self.lock:
            if key is None:
                self.stats[section] = self.stats.get(section, 0) + by
            else:
                bucket = self.stats.setdefault(section, {})
                bucket[key] = bucket.get(key, 0) + by

    def next_prot(self, cuf):
        # 15 digits: authoriser type, cUF, year, 10-digit sequence (MOC 4.3.5)
        self.data["seq_prot"] += 1
        return "1%s%s%010d" % (cuf, now_brt().strftime("%y"), self.data["seq_prot"])

    def next_rec(self, cuf):
        self.data["seq_rec"] += 1
        return "%s1%012d" % (cuf, self.data["seq_rec"])

    @staticmethod
    def number_key(emitter, mod, serie, nnf):
        return "%s|%s|%d|%d" % (emitter, mod, int(serie), int(nnf))

    def voided_range(self, emitter, mod, serie, nnf):
        for v in self.data["voided"]:
            if (v["emitter"], v["mod"], v["serie"]) == (emitter, mod, int(serie)) \
                    and v["ini"] <= int(nnf) <= v["fin"]:
                return v
        return None


class Control:
    """Fault rules from DIR/control.json, re-read at every request. A
    missing or unreadable file means no faults."""

    def __init__(self, folder, store):
        self.path = os.path.join(folder, "control.json")
        self.store = store
        self.lock = threading.Lock()

    def take(self, service):
        with self.lock:
            try:
                with open(self.path, encoding="utf-8") as f:
                    raw = json.load(f)
            except (OSError, ValueError):
                return None
            rules = raw.get("rules") if isinstance(raw, dict) else raw
            if not isinstance(rules, list):
                return None
            for i, rule in enumerate(rules):
                if not isinstance(rule, dict) or not rule.get("fault"):
                    continue
                if rule.get("service", "*") not in ("*", service):
                    continue
                if service not in FAULTS_BY_SERVICE.get(rule["fault"], {service}):
                    continue
                times = rule.get("times", 1)
                if times == 0:
                    continue
                fired = dict(rule)
                if times > 0:
                    if times == 1:
                        del rules[i]
                    else:
                        rules[i] = dict(rule, times=times - 1)
                    try:
                        write_json_atomic(self.path, {"rules": rules} if isinstance(raw, dict) else rules)
                    except OSError:
                        pass
                with self.store.lock:
                    self.store.stats["faults"].append({"service": service, "fault": rule["fault"]})
                return fired
            return None


# ------------------------------------------------------------------ services

class Request:
    """One SOAP request being answered."""

    def __init__(self, service, msg, peer_ids, rule):
        self.service = service
        self.msg = msg
        self.peer_ids = peer_ids
        self.rule = rule or {}

    @property
    def fault(self):
        return self.rule.get("fault")


class Authoriser:
    def __init__(self, args, schemas, store, stop):
        self.tpamb = args.tpamb
        self.svc = args.svc
        self.ufs = args.uf
        self.default_uf = self.ufs[0] if len(self.ufs) < len(ALL_UFS) else "35"
        self.schemas = schemas
        self.store = store
        self.stop = stop

    # ---- helpers

    def msg_uf(self, msg, path):
        value = text(msg, path) if msg is not None else None
        return value if value in ALL_UFS else self.default_uf

    def injected(self, req):
        """(cStat, xMotivo) forced by a status or reject fault, else None."""
        if req.fault == "status":
            code = int(req.rule.get("cstat", 108))
            return code, req.rule.get("xmotivo") or motivo(code)
        if req.fault == "reject":
            code = int(req.rule.get("cstat", 999))
            return code, req.rule.get("xmotivo") or motivo(code)
        return None

    def lot_answer(self, service, msg, code, reason):
        """The service's return message carrying a rejection of the whole
        message; fields the request lacks get neutral values."""
        tp = str(self.tpamb)
        if service == "NFeStatusServico4":
            ret = new("retConsStatServ", versao="4.00")
            for tag, val in (("tpAmb", tp), ("verAplic", VER_APLIC), ("cStat", code),
                             ("xMotivo", reason), ("cUF", self.msg_uf(msg, N + "cUF")),
                             ("dhRecbto", dh())):
                sub(ret, tag, val)
            return ret
        if service == "NFeAutorizacao4":
            ret = new("retEnviNFe", versao="4.00")
            uf = self.msg_uf(msg, "%sNFe/%sinfNFe/%side/%scUF" % (N, N, N, N))
            for tag, val in (("tpAmb", tp), ("verAplic", VER_APLIC), ("cStat", code),
                             ("xMotivo", reason), ("cUF", uf), ("dhRecbto", dh())):
                sub(ret, tag, val)
            return ret
        if service == "NFeRetAutorizacao4":
            ret = new("retConsReciNFe", versao="4.00")
            nrec = text(msg, N + "nRec") if msg is not None else None
            nrec = nrec if re.fullmatch(r"[0-9]{15}", nrec or "") else "0" * 15
            rec = self.store.data["receipts"].get(nrec)
            uf = rec["cUF"] if rec else self.default_uf
            for tag, val in (("tpAmb", tp), ("verAplic", VER_APLIC), ("nRec", nrec),
                             ("cStat", code), ("xMotivo", reason), ("cUF", uf),
                             ("dhRecbto", dh())):
                sub(ret, tag, val)
            return ret
        if service == "NFeConsultaProtocolo4":
            ret = new("retConsSitNFe", versao="4.00")
            key = text(msg, N + "chNFe") if msg is not None else None
            key = key if re.fullmatch(r"[0-9]{6}[0-9A-Z]{12}[0-9]{26}", key or "") else None
            uf = key[:2] if key and key[:2] in ALL_UFS else self.default_uf
            for tag, val in (("tpAmb", tp), ("verAplic", VER_APLIC), ("cStat", code),
                             ("xMotivo", reason), ("cUF", uf), ("dhRecbto", dh()),
                             ("chNFe", key or "0" * 44)):
                sub(ret, tag, val)
            return ret
        if service == "NFeRecepcaoEvento4":
            ret = new("retEnvEvento", versao="1.00")
            lote = text(msg, N + "idLote") if msg is not None else None
            lote = lote if re.fullmatch(r"[0-9]{1,15}", lote or "") else "0"
            org = text(msg, "%sevento/%sinfEvento/%scOrgao" % (N, N, N)) if msg is not None else None
            org = org if org in ALL_UFS + ["90", "91", "92"] else self.default_uf
            for tag, val in (("idLote", lote), ("tpAmb", tp), ("verAplic", VER_APLIC),
                             ("cOrgao", org), ("cStat", code), ("xMotivo", reason)):
                sub(ret, tag, val)
            return ret
        if service == "NFeInutilizacao4":
            ret = new("retInutNFe", versao="4.00")
            inf = sub(ret, "infInut")
            uf = self.msg_uf(msg, "%sinfInut/%scUF" % (N, N))
            for tag, val in (("tpAmb", tp), ("verAplic", VER_APLIC), ("cStat", code),
                             ("xMotivo", reason), ("cUF", uf), ("dhRecbto", dh())):
                sub(inf, tag, val)
            return ret
        raise ValueError(service)

    def validate_request(self, service, msg):
        """None if the message passes its schema, else the lot-level answer."""
        root_name, schema, _, _ = SERVICES[service]
        code = 225 if service == "NFeAutorizacao4" else 215
        if msg is None or msg.tag != N + root_name:
            return self.lot_answer(service, msg, code, motivo(code))
        if service == "NFeRecepcaoEvento4":
            events = msg.findall(N + "evento")
            kinds = [text(ev, "%sinfEvento/%stpEvento" % (N, N)) for ev in events]
            if not events or len(events) > 20 or None in kinds \
                    or not re.fullmatch(r"[0-9]{1,15}", text(msg, N + "idLote") or ""):
                return self.lot_answer(service, msg, code, motivo(code))
            known = sorted(set(k for k in kinds if k in EVENT_SCHEMAS))
            for kind in known:
                # each event type is checked against its own schema
                part = copy.deepcopy(msg)
                for ev in part.findall(N + "evento"):
                    if text(ev, "%sinfEvento/%stpEvento" % (N, N)) != kind:
                        part.remove(ev)
                err = self.schemas.errors(EVENT_SCHEMAS[kind], part)
                if err:
                    log("schema", service, err)
                    return self.lot_answer(service, msg, code, motivo(code))
            return None
        err = self.schemas.errors(schema, msg)
        if err:
            log("schema", service, err)
            return self.lot_answer(service, msg, code, motivo(code))
        return None

    def handle(self, req):
        service, msg = req.service, req.msg
        self.store.count("requests", service)
        if msg is not None and len(etree.tostring(msg)) > MAX_MESSAGE:
            return self.lot_answer(service, msg, 214, motivo(214))
        try:
            return self.answer(req, service, msg)
        finally:
            with self.store.lock:
                self.store.save_stats()

    def answer(self, req, service, msg):
        bad = self.validate_request(service, msg)
        if bad is not None:
            return bad
        tpamb = text(msg, N + "tpAmb") or text(msg, "%sinfInut/%stpAmb" % (N, N))
        forced = self.injected(req)
        if forced and (service not in PER_DOCUMENT or req.fault == "status"
                       or req.rule.get("level") == "lote" or forced[0] in LOT_CODES):
            return self.lot_answer(service, msg, *forced)
        return getattr(self, "do_" + service)(req, msg, tpamb)

    # ---- NFeStatusServico4

    def do_NFeStatusServico4(self, req, msg, tpamb):
        if tpamb != str(self.tpamb):
            return self.lot_answer(req.service, msg, 252, motivo(252))
        if text(msg, N + "cUF") not in self.ufs:
            return self.lot_answer(req.service, msg, 410, motivo(410))
        ret = self.lot_answer(req.service, msg, 107, motivo(107))
        sub(ret, "tMed", 1)
        return ret

    # ---- NFeAutorizacao4 / NFeRetAutorizacao4

    def do_NFeAutorizacao4(self, req, msg, _):
        nfes = msg.findall(N + "NFe")
        sync = text(msg, N + "indSinc") == "1"
        if sync and len(nfes) > 1:
            return self.lot_answer(req.service, msg, 764, motivo(764))
        prepared = [self.examine_nfe(nfe, req) for nfe in nfes]
        first_uf = text(nfes[0], "%sinfNFe/%side/%scUF" % (N, N, N))
        with self.store.lock:
            nrec = self.store.next_rec(first_uf)
            prots = [self.decide_nfe(p, req, nrec) for p in prepared]
            received = dh()
            self.store.data["receipts"][nrec] = {"cUF": first_uf, "dhRecbto": received,
                                                 "tpAmb": str(self.tpamb), "prots": prots}
            self.store.save()
        ret = self.lot_answer(req.service, msg, 104 if sync else 103, motivo(104 if sync else 103))
        if sync:
            ret.append(self.prot_xml(prots[0]))
        else:
            info = sub(ret, "infRec")
            sub(info, "nRec", nrec)
            sub(info, "tMed", 1)
        return ret

    def examine_nfe(self, nfe, req):
        """Checks of one NF-e that need no stored state: key, environment,
        UF, type of emission, certificates and signature."""
        inf = nfe.find(N + "infNFe")
        ide = inf.find(N + "ide")
        emit = inf.find(N + "emit")
        key = inf.get("Id")[3:]
        cnpj, cpf = text(emit, N + "CNPJ"), text(emit, N + "CPF")
        fields = {g: text(ide, N + g) for g in ("cUF", "dhEmi", "mod", "serie", "nNF",
                                                "tpEmis", "cNF", "cDV", "tpAmb")}
        p = {"key": key, "cnpj": cnpj, "cpf": cpf, "emitter": cnpj or cpf,
             "mod": fields["mod"], "serie": fields["serie"], "nNF": fields["nNF"],
             "cUF": fields["cUF"], "digVal": None, "reject": None}
        self.store.count("submissions", key)

        def reject(code, suffix=""):
            p["reject"] = (code, motivo(code, suffix))
            return p

        if not ids_cover(req.peer_ids, cnpj, cpf):
            return reject(213)
        doc = standalone(nfe)
        code, digest, signer = check_signature(doc, doc.find(N + "infNFe"), inf.get("Id"))
        p["digVal"] = digest if code is None else None
        if code:
            return reject(code)
        if not ids_cover(signer, cnpj, cpf):
            return reject(213)
        dhemi = fields["dhEmi"]
        key43 = (fields["cUF"] + dhemi[2:4] + dhemi[5:7] + (cnpj or "000" + (cpf or ""))
                 + fields["mod"] + "%03d" % int(fields["serie"]) + "%09d" % int(fields["nNF"])
                 + fields["tpEmis"] + fields["cNF"])
        if key != key43 + fields["cDV"]:
            return reject(502)
        if fields["cUF"] not in self.ufs:
            return reject(226)
        tpemis = fields["tpEmis"]
        if self.svc and tpemis != {"AN": "6", "RS": "7"}[self.svc]:
            return reject(713)
        if not self.svc and tpemis in ("3", "6", "7"):
            return reject(570)
        if tpemis == "9" and fields["mod"] == "55":
            return reject(711)
        if int(fields["cDV"]) != mod11(key43):
            return reject(253)
        if fields["tpAmb"] != str(self.tpamb):
            return reject(252)
        if cnpj and not cnpj_valid(cnpj):
            return reject(207)
        forced = self.injected(req)
        if forced:
            p["reject"] = forced
            return p
        return p

    def decide_nfe(self, p, req, nrec):
        """The stored-state half of authorising one NF-e (store lock held)."""
        data = self.store.data
        received = dh()
        prot = {"chNFe": p["key"], "dhRecbto": received, "digVal": p["digVal"]}
        if p["reject"]:
            prot["cStat"], prot["xMotivo"] = p["reject"]
            return prot
        number = Store.number_key(p["emitter"], p["mod"], p["serie"], p["nNF"])
        if self.store.voided_range(p["emitter"], p["mod"], p["serie"], p["nNF"]):
            prot["cStat"], prot["xMotivo"] = 206, motivo(206)
            return prot
        known_key = data["numbers"].get(number)
        if known_key is not None:
            old = data["nfe"][known_key]
            if known_key != p["key"]:
                code, suffix = 539, " [chNFe:%s][nRec:%s]" % (known_key, old["nRec"])
            elif old["status"] == "denied":
                code, suffix = 205, " [nRec:%s]" % old["nRec"]
            else:
                code, suffix = 204, " [nRec:%s]" % old["nRec"]
            prot["cStat"], prot["xMotivo"] = code, motivo(code, suffix)
            return prot
        if req.fault == "deny":
            code = int(req.rule.get("cstat", 301))
            code = code if code in DENIAL_CODES else 301
            status = "denied"
            self.store.stats["denied"] += 1
        else:
            code, status = 100, "authorised"
            self.store.stats["authorised"] += 1
            self.store.count("authorisations", p["key"])
        reason = (req.rule.get("xmotivo") if req.fault == "deny" else None) or motivo(code)
        prot.update(nProt=self.store.next_prot(p["cUF"]), cStat=code, xMotivo=reason)
        data["numbers"][number] = p["key"]
        data["nfe"][p["key"]] = {"status": status, "prot": prot, "nRec": nrec,
                                 "emitter": p["emitter"], "mod": p["mod"],
                                 "serie": int(p["serie"]), "nNF": int(p["nNF"]),
                                 "events": []}
        return prot

    def prot_xml(self, prot):
        el = new("protNFe", versao="4.00")
        inf = sub(el, "infProt")
        sub(inf, "tpAmb", self.tpamb)
        sub(inf, "verAplic", VER_APLIC)
        sub(inf, "chNFe", prot["chNFe"])
        sub(inf, "dhRecbto", prot["dhRecbto"])
        if prot.get("nProt"):
            sub(inf, "nProt", prot["nProt"])
        if prot.get("digVal"):
            sub(inf, "digVal", prot["digVal"])
        sub(inf, "cStat", prot["cStat"])
        sub(inf, "xMotivo", prot["xMotivo"])
        return el

    def do_NFeRetAutorizacao4(self, req, msg, tpamb):
        if tpamb != str(self.tpamb):
            return self.lot_answer(req.service, msg, 252, motivo(252))
        nrec = text(msg, N + "nRec")
        with self.store.lock:
            rec = copy.deepcopy(self.store.data["receipts"].get(nrec))
        if rec is None:
            return self.lot_answer(req.service, msg, 106, motivo(106))
        if req.fault == "processing":
            return self.lot_answer(req.service, msg, 105, motivo(105))
        ret = self.lot_answer(req.service, msg, 104, motivo(104))
        for prot in rec["prots"]:
            ret.append(self.prot_xml(prot))
        return ret

    # ---- NFeConsultaProtocolo4

    def do_NFeConsultaProtocolo4(self, req, msg, tpamb):
        key = text(msg, N + "chNFe")
        if tpamb != str(self.tpamb):
            return self.lot_answer(req.service, msg, 252, motivo(252))
        if not key_dv_ok(key):
            return self.lot_answer(req.service, msg, 236, motivo(236))
        if key[:2] not in self.ufs:
            return self.lot_answer(req.service, msg, 249, motivo(249))
        with self.store.lock:
            rec = copy.deepcopy(self.store.data["nfe"].get(key))
        if rec is None:
            return self.lot_answer(req.service, msg, 217, motivo(217))
        prot = rec["prot"]
        if rec["status"] == "cancelled":
            code, reason = 101, motivo(101)
        else:
            code, reason = prot["cStat"], prot["xMotivo"]
        ret = self.lot_answer(req.service, msg, code, reason)
        ret.append(self.prot_xml(prot))
        for ev in rec["events"]:
            ret.append(self.proc_evento_xml(ev))
        return ret

    # ---- NFeRecepcaoEvento4

    def ret_evento_xml(self, info, tag="retEvento"):
        el = new(tag, versao="1.00")
        inf = sub(el, "infEvento")
        sub(inf, "tpAmb", self.tpamb)
        sub(inf, "verAplic", VER_APLIC)
        for field in ("cOrgao", "cStat", "xMotivo", "chNFe", "tpEvento", "xEvento",
                      "nSeqEvento", "dhRegEvento", "nProt"):
            value = info.get(field)
            # echoed request fields go back only when they fit the return
            # layout (a rejected event may carry anything)
            if value is not None and re.fullmatch(ECHO_PATTERNS.get(field, ".*"), str(value)):
                sub(inf, field, value)
        return el

    def proc_evento_xml(self, ev):
        el = new("procEventoNFe", versao="1.00")
        el.append(etree.fromstring(ev["xml"].encode("utf-8"), PARSER))
        el.append(self.ret_evento_xml(ev["ret"]))
        return el

    def do_NFeRecepcaoEvento4(self, req, msg, _):
        results = [self.event(ev, req) for ev in msg.findall(N + "evento")]
        ret = self.lot_answer(req.service, msg, 128, motivo(128))
        for info in results:
            ret.append(self.ret_evento_xml(info))
        return ret

    def event(self, ev, req):
        inf = ev.find(N + "infEvento")
        get = lambda tag: text(inf, N + tag)
        key, kind, seq = get("chNFe"), get("tpEvento"), get("nSeqEvento")
        info = {"cOrgao": get("cOrgao"), "chNFe": key, "tpEvento": kind,
                "nSeqEvento": seq, "dhRegEvento": dh()}
        if info["cOrgao"] not in ALL_UFS + ["90", "91", "92"]:
            info["cOrgao"] = self.default_uf

        def reject(code, reason=None):
            info.update(cStat=code, xMotivo=reason or motivo(code))
            return info

        if kind not in EVENT_SCHEMAS:
            return reject(491)
        cnpj, cpf = get("CNPJ"), get("CPF")
        if not ids_cover(req.peer_ids, cnpj, cpf):
            return reject(213)
        doc = standalone(ev)
        code, _, signer = check_signature(doc, doc.find(N + "infEvento"), inf.get("Id"))
        if code:
            return reject(code)
        if not ids_cover(signer, cnpj, cpf):
            return reject(213)
        if inf.get("Id") != "ID%s%s%02d" % (kind, key, int(seq)):
            return reject(572)
        if get("cOrgao") != key[:2]:
            return reject(250)
        if get("tpAmb") != str(self.tpamb):
            return reject(252)
        if not key_dv_ok(key):
            return reject(236)
        if key[:2] not in self.ufs:
            return reject(249)
        if (cnpj or "000" + (cpf or "")) != key[6:20]:
            return reject(574)
        forced = self.injected(req)
        if forced:
            return reject(*forced)
        with self.store.lock:
            rec = self.store.data["nfe"].get(key)
            if rec and any(e["ret"]["tpEvento"] == kind and int(e["ret"]["nSeqEvento"]) == int(seq)
                           for e in rec["events"]):
                return reject(573)
            if rec is None:
                return reject(494)
            if rec["status"] != "authorised":
                return reject(580)
            if kind == TP_CANCEL:
                asked = text(inf, "%sdetEvento/%snProt" % (N, N))
                if asked != rec["prot"].get("nProt"):
                    return reject(222)
            info.update(cStat=135, xMotivo=motivo(135), xEvento=X_EVENTO[kind],
                        nProt=self.store.next_prot(key[:2]))
            rec["events"].append({"xml": etree.tostring(doc, encoding="unicode"),
                                  "ret": dict(info)})
            if kind == TP_CANCEL:
                rec["status"] = "cancelled"
            self.store.stats["events"] += 1
            self.store.save()
        return info

    # ---- NFeInutilizacao4

    def do_NFeInutilizacao4(self, req, msg, tpamb):
        inf = msg.find(N + "infInut")
        get = lambda tag: text(inf, N + tag)
        fields = {t: get(t) for t in ("cUF", "ano", "CNPJ", "mod", "serie", "nNFIni", "nNFFin")}
        cnpj = fields["CNPJ"]

        def answer(code, reason=None, nprot=None):
            ret = self.lot_answer(req.service, msg, code, reason or motivo(code))
            out = ret.find(N + "infInut")
            received = out.find(N + "dhRecbto")
            for tag in ("ano", "CNPJ", "mod", "serie", "nNFIni", "nNFFin"):
                el = etree.Element(N + tag)
                el.text = fields[tag]
                received.addprevious(el)
            if nprot:
                sub(out, "nProt", nprot)
            return ret

        if not ids_cover(req.peer_ids, cnpj):
            return answer(213)
        doc = standalone(msg)
        code, _, signer = check_signature(doc, doc.find(N + "infInut"), inf.get("Id"))
        if code:
            return answer(code)
        if not ids_cover(signer, cnpj):
            return answer(213)
        if tpamb != str(self.tpamb):
            return answer(252)
        if fields["cUF"] not in self.ufs:
            return answer(226)
        expected = "ID%s%s%s%s%03d%09d%09d" % (fields["cUF"], fields["ano"], cnpj, fields["mod"],
                                               int(fields["serie"]), int(fields["nNFIni"]),
                                               int(fields["nNFFin"]))
        if inf.get("Id") != expected:
            return answer(215, motivo(215, " (Id de infInut difere da concatenação dos campos)"))
        if not cnpj_valid(cnpj):
            return answer(207)
        ini, fin, serie = int(fields["nNFIni"]), int(fields["nNFFin"]), int(fields["serie"])
        if ini > fin:
            return answer(224)
        if int(fields["ano"]) > int(now_brt().strftime("%y")):
            return answer(453)
        if int(fields["ano"]) < 6:
            return answer(454)
        forced = self.injected(req)
        if forced:
            return answer(*forced)
        with self.store.lock:
            data = self.store.data
            for v in data["voided"]:
                if (v["emitter"], v["mod"], v["serie"]) != (cnpj, fields["mod"], serie):
                    continue
                if (v["ini"], v["fin"]) == (ini, fin):
                    return answer(563)
                if v["ini"] <= fin and ini <= v["fin"]:
                    return answer(256)
            prefix = "%s|%s|%d|" % (cnpj, fields["mod"], serie)
            for number in data["numbers"]:
                if number.startswith(prefix) and ini <= int(number[len(prefix):]) <= fin:
                    return answer(241)
            nprot = self.store.next_prot(fields["cUF"])
            data["voided"].append({"emitter": cnpj, "mod": fields["mod"], "serie": serie,
                                   "ini": ini, "fin": fin, "ano": fields["ano"], "nProt": nprot})
            self.store.stats["voidings"] += 1
            self.store.save()
        return answer(102, nprot=nprot)


# ------------------------------------------------------------- HTTP / SOAP

def soap_envelope(service, ret):
    env = etree.Element("{%s}Envelope" % SOAP12_NS,
                        nsmap={"soap": SOAP12_NS,
                               "xsi": "http://www.w3.org/2001/XMLSchema-instance",
                               "xsd": "http://www.w3.org/2001/XMLSchema"})
    body = etree.SubElement(env, "{%s}Body" % SOAP12_NS)
    result = etree.SubElement(body, "{%s}nfeResultMsg" % (WSDL_NS + service),
                              nsmap={None: WSDL_NS + service})
    result.append(ret)
    return etree.tostring(env, xml_declaration=True, encoding="utf-8")


def soap_fault(reason, code="soap:Receiver"):
    env = etree.Element("{%s}Envelope" % SOAP12_NS, nsmap={"soap": SOAP12_NS})
    fault = etree.SubElement(etree.SubElement(env, "{%s}Body" % SOAP12_NS), "{%s}Fault" % SOAP12_NS)
    etree.SubElement(etree.SubElement(fault, "{%s}Code" % SOAP12_NS), "{%s}Value" % SOAP12_NS).text = code
    txt = etree.SubElement(etree.SubElement(fault, "{%s}Reason" % SOAP12_NS), "{%s}Text" % SOAP12_NS)
    txt.set("{http://www.w3.org/XML/1998/namespace}lang", "pt-BR")
    txt.text = reason
    return etree.tostring(env, xml_declaration=True, encoding="utf-8")


class SoapError(Exception):
    def __init__(self, reason, code="soap:Sender"):
        super().__init__(reason)
        self.reason, self.code = reason, code


def read_soap(service, body):
    """The message inside nfeDadosMsg as a standalone element (None when
    nfeDadosMsg is empty). Raises SoapError when the envelope is unusable."""
    try:
        root = etree.fromstring(body, PARSER)
    except etree.XMLSyntaxError as e:
        raise SoapError("XML mal formado: %s" % e)
    if root.tag == "{%s}Envelope" % SOAP11_NS:
        raise SoapError("Envelope SOAP 1.1 - este servico usa SOAP 1.2", "soap:VersionMismatch")
    if root.tag != "{%s}Envelope" % SOAP12_NS:
        raise SoapError("Elemento raiz nao e soap12:Envelope")
    body_el = root.find("{%s}Body" % SOAP12_NS)
    if body_el is None:
        raise SoapError("Falta soap12:Body")
    dados = body_el.find("{%s}nfeDadosMsg" % (WSDL_NS + service))
    if dados is None:
        raise SoapError("Falta nfeDadosMsg no namespace %s" % (WSDL_NS + service))
    children = [c for c in dados if isinstance(c.tag, str)]
    return standalone(children[0]) if children else None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body leave in separate writes: without this the body waits
    # for the client's delayed acknowledgement (tens of milliseconds a request).
    disable_nagle_algorithm = True
    server_version = "AutorizadorLocal/1.0"
    timeout = IDLE_TIMEOUT

    def log_message(self, fmt, *args):
        log(self.client_address[0], fmt % args)

    def send(self, status, body, ctype="application/soap+xml; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def read_body(self):
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            parts, total = [], 0
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(parts)
                total += size
                if total > MAX_BODY:
                    return None
                parts.append(self.rfile.read(size))
                self.rfile.readline()
        length = self.headers.get("Content-Length")
        if length is None or not length.strip().isdigit():
            return None
        length = int(length)
        if length > MAX_BODY:
            return None
        return self.rfile.read(length)

    def drop(self):
        """Closes the connection without an answer."""
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def do_GET(self):
        body = b"Use POST (SOAP 1.2)\n"
        self.send_response(405)
        self.send_header("Allow", "POST")
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        app = self.server.app
        service = self.path.split("?")[0].strip("/").split("/")[-1]
        body = self.read_body()
        if body is None:
            self.close_connection = True
            return self.send(411, soap_fault("Content-Length ausente ou excessivo", "soap:Sender"))
        if service not in SERVICES:
            return self.send(404, b"Servico desconhecido\n", "text/plain")
        ctype = (self.headers.get("Content-Type") or "").split(";")[0].strip().lower()
        if ctype != "application/soap+xml":
            return self.send(415, soap_fault("Content-Type deve ser application/soap+xml", "soap:Sender"))
        rule = app.control.take(service)
        fault = (rule or {}).get("fault")
        if rule:
            log("fault", service, json.dumps(rule, ensure_ascii=False))
        if fault == "close_before":
            return self.drop()
        if fault == "silent":
            app.stop.wait(float(rule.get("seconds", 30)))
            return self.drop()
        if fault == "http500":
            return self.send(500, soap_fault("Erro interno do servidor"))
        if fault == "not_xml":
            return self.send(200, b"<html><body><h1>Servico indisponivel<br></h1></body></html>\n",
                             "text/html; charset=utf-8")
        if fault == "invalid":
            _, _, ret_root, _ = SERVICES[service]
            ret = new(ret_root, versao="4.00")
            sub(ret, "tpAmb", app.authoriser.tpamb)
            sub(ret, "cStat", "ERRO")
            return self.send(200, soap_envelope(service, ret))
        try:
            msg = read_soap(service, body)
        except SoapError as e:
            log("soap fault", service, e.reason)
            return self.send(500, soap_fault(e.reason, e.code))
        peer = self.connection.getpeercert(binary_form=True)
        peer_ids = cert_ids(x509.load_der_x509_certificate(peer)) if peer else None
        try:
            ret = app.authoriser.handle(Request(service, msg, peer_ids, rule))
        except Exception:
            log("internal error", service, traceback.format_exc())
            return self.send(500, soap_fault("Erro interno do servidor"))
        err = app.schemas.errors(SERVICES[service][3], ret)
        if err:
            log("BUG: answer violates %s: %s" % (SERVICES[service][3], err))
        log(service, "cStat", text(ret, N + "cStat") or text(ret, "%sinfInut/%scStat" % (N, N)),
            " ".join(text(p, "%sinfProt/%scStat" % (N, N)) or "" for p in ret.findall(N + "protNFe")),
            " ".join(text(e, "%sinfEvento/%scStat" % (N, N)) or "" for e in ret.findall(N + "retEvento")))
        if fault == "delay":
            if app.stop.wait(float(rule.get("seconds", 30))):
                return self.drop()
        if fault == "close":
            return self.drop()
        self.send(200, soap_envelope(service, ret))


class TLSServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, app, context):
        self.app = app
        self.context = context
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs in the connection's own thread, so a slow or
        # failing client never holds up the others.
        request.settimeout(HANDSHAKE_TIMEOUT)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            log("TLS refused", client_address[0], str(e))
            try:
                request.close()
            except OSError:
                pass
            return
        try:
            tls.settimeout(IDLE_TIMEOUT)
            self.RequestHandlerClass(tls, client_address, self)
        except (OSError, ssl.SSLError):
            pass
        finally:
            try:
                tls.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        log("connection error", client_address, traceback.format_exc(limit=2))


class App:
    def __init__(self, args):
        os.makedirs(args.state, exist_ok=True)
        self.stop = threading.Event()
        self.schemas = Schemas(args.schemas)
        self.store = Store(args.state)
        self.control = Control(args.state, self.store)
        self.authoriser = Authoriser(args, self.schemas, self.store, self.stop)


def serve(args):
    if args.svc and args.svc not in ("AN", "RS"):
        sys.exit("--svc must be AN or RS")
    args.uf = ALL_UFS if not args.uf else [u.strip() for u in args.uf.split(",") if u.strip()]
    unknown = [u for u in args.uf if u not in ALL_UFS]
    if unknown:
        sys.exit("unknown cUF: %s" % ",".join(unknown))
    app = App(args)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    context.verify_mode = ssl.CERT_REQUIRED
    context.load_verify_locations(cafile=args.client_ca)
    server = TLSServer(args.port, app, context)
    port = server.server_address[1]

    def on_signal(signum, frame):
        app.stop.set()
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    thread.start()
    if args.port_file:
        folder = os.path.dirname(os.path.abspath(args.port_file))
        fd, tmp = tempfile.mkstemp(prefix=".port-", dir=folder)
        with os.fdopen(fd, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("listening on https://127.0.0.1:%d" % port, flush=True)
    while not app.stop.wait(0.5):
        pass
    log("stopping")
    server.shutdown()
    server.server_close()
    with app.store.lock:       # no state write is cut short by the exit
        pass
    return 0


# ------------------------------------------------------------------ certs

def _key():
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


def _name(cn, org="AUTORIZADOR LOCAL DE TESTE"):
    return x509.Name([x509.NameAttribute(NameOID.COUNTRY_NAME, "BR"),
                      x509.NameAttribute(NameOID.ORGANIZATION_NAME, org),
                      x509.NameAttribute(NameOID.COMMON_NAME, cn)])


def _make_ca(cn):
    key = _key()
    now = datetime.datetime.now(datetime.timezone.utc)
    cert = (x509.CertificateBuilder().subject_name(_name(cn)).issuer_name(_name(cn))
            .public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(hours=1))
            .not_valid_after(now + datetime.timedelta(days=3650))
            .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
            .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False,
                                         key_encipherment=False, data_encipherment=False,
                                         key_agreement=False, key_cert_sign=True, crl_sign=True,
                                         encipher_only=False, decipher_only=False), critical=True)
            .add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False)
            .sign(key, hashes.SHA256()))
    return key, cert


def _issue(ca_key, ca_cert, subject, sans, usage, not_before, not_after):
    key = _key()
    builder = (x509.CertificateBuilder().subject_name(subject).issuer_name(ca_cert.subject)
               .public_key(key.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(not_before).not_valid_after(not_after)
               .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
               .add_extension(x509.SubjectAlternativeName(sans), critical=False)
               .add_extension(x509.ExtendedKeyUsage(usage), critical=False)
               .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=True,
                                            key_encipherment=True, data_encipherment=False,
                                            key_agreement=False, key_cert_sign=False, crl_sign=False,
                                            encipher_only=False, decipher_only=False), critical=True)
               .add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(ca_key.public_key()),
                              critical=False))
    return key, builder.sign(ca_key, hashes.SHA256())


def _write(path, data, secret=False):
    fd, tmp = tempfile.mkstemp(prefix=".tmp-", dir=os.path.dirname(os.path.abspath(path)))
    with os.fdopen(fd, "wb") as f:
        f.write(data)
    os.chmod(tmp, 0o600 if secret else 0o644)
    os.replace(tmp, path)


def _pem_cert(cert):
    return cert.public_bytes(serialization.Encoding.PEM)


def _pem_key(key):
    return key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                             serialization.NoEncryption())


def _printable(value):
    raw = value.encode("ascii")
    return b"\x13" + bytes([len(raw)]) + raw


def certs(args):
    cnpj_re = r"[0-9A-Z]{12}[0-9]{2}"
    for c in args.cnpj + ([args.expired_cnpj] if args.expired_cnpj else []):
        if not re.fullmatch(cnpj_re, c):
            sys.exit("not a CNPJ: %s" % c)
    password = b"1234"
    if args.password_file:
        with open(args.password_file, "rb") as f:
            password = f.read().rstrip(b"\r\n")
    os.makedirs(args.dir, exist_ok=True)
    d = lambda name: os.path.join(args.dir, name)
    now = datetime.datetime.now(datetime.timezone.utc)
    hour = datetime.timedelta(hours=1)
    server_usage = [ExtendedKeyUsageOID.SERVER_AUTH]

    ca_key, ca = _make_ca("AC RAIZ DE TESTE DO AUTORIZADOR LOCAL")
    _write(d("ca.pem"), _pem_cert(ca))
    _write(d("ca.key"), _pem_key(ca_key), secret=True)
    local = [x509.DNSName("localhost"), x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]
    for name, cn, sans in (("server", "localhost", local),
                           ("server-wrongname", "other.example", [x509.DNSName("other.example")])):
        key, cert = _issue(ca_key, ca, _name(cn), sans, server_usage,
                           now - hour, now + datetime.timedelta(days=730))
        _write(d(name + ".pem"), _pem_cert(cert) + _pem_cert(ca))
        _write(d(name + ".key"), _pem_key(key), secret=True)
    other_key, other = _make_ca("AC QUE O CLIENTE NAO CONHECE")
    _write(d("other-ca.pem"), _pem_cert(other))
    key, cert = _issue(other_key, other, _name("localhost"), local, server_usage,
                       now - hour, now + datetime.timedelta(days=730))
    _write(d("server-untrusted.pem"), _pem_cert(cert) + _pem_cert(other))
    _write(d("server-untrusted.key"), _pem_key(key), secret=True)

    wanted = [(c, False) for c in args.cnpj]
    if args.expired_cnpj:
        wanted.append((args.expired_cnpj, True))
    client_usage = [ExtendedKeyUsageOID.CLIENT_AUTH, ExtendedKeyUsageOID.EMAIL_PROTECTION]
    for cnpj, expired in wanted:
        subject = x509.Name([x509.NameAttribute(NameOID.COUNTRY_NAME, "BR"),
                             x509.NameAttribute(NameOID.ORGANIZATION_NAME, "ICP-Brasil"),
                             x509.NameAttribute(NameOID.ORGANIZATIONAL_UNIT_NAME, "Certificado PJ A1"),
                             x509.NameAttribute(NameOID.COMMON_NAME, "EMPRESA TESTE:%s" % cnpj)])
        sans = [x509.OtherName(x509.ObjectIdentifier("2.16.76.1.3.3"), _printable(cnpj)),
                x509.RFC822Name("nfe@empresa-teste.example")]
        if expired:
            start, end = now - datetime.timedelta(days=730), now - datetime.timedelta(days=1)
        else:
            start, end = now - hour, now + datetime.timedelta(days=730)
        key, cert = _issue(ca_key, ca, subject, sans, client_usage, start, end)
        base = "a1-%s%s" % (cnpj, "-expired" if expired else "")
        pfx = pkcs12.serialize_key_and_certificates(
            ("EMPRESA TESTE:%s" % cnpj).encode(), key, cert, [ca],
            serialization.BestAvailableEncryption(password))
        _write(d(base + ".pfx"), pfx, secret=True)
        # the same pair as PEM, for tools that do not read PKCS#12
        _write(d(base + "-cert.pem"), _pem_cert(cert))
        _write(d(base + "-key.pem"), _pem_key(key), secret=True)
        print("wrote %s" % d(base + ".pfx"))
    return 0


# ------------------------------------------------------------------- main

def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Local NF-e 4.00 authoriser (test tool)")
    subs = parser.add_subparsers(dest="command", required=True)
    s = subs.add_parser("serve", help="serve the NF-e web services on 127.0.0.1")
    s.add_argument("--cert", required=True, help="server certificate (PEM, chain allowed)")
    s.add_argument("--key", required=True, help="server private key (PEM)")
    s.add_argument("--client-ca", required=True, help="CA file that client certificates must chain to")
    s.add_argument("--state", required=True, help="state folder (state.json, stats.json, control.json)")
    s.add_argument("--port", type=int, default=0, help="0 picks a free port")
    s.add_argument("--port-file", help="file that receives the port actually used")
    s.add_argument("--tpamb", type=int, choices=(1, 2), default=2, help="environment served")
    s.add_argument("--svc", choices=("AN", "RS"), help="act as a contingency authoriser (SVC-AN/SVC-RS)")
    s.add_argument("--uf", help="comma-separated cUF codes served (default all)")
    s.add_argument("--schemas", default=os.path.normpath(os.path.join(here, "..", "..", "schema", "nfe")),
                   help="folder with the NF-e XML schemas")
    c = subs.add_parser("certs", help="write a test PKI")
    c.add_argument("dir")
    c.add_argument("--cnpj", action="append", default=[], help="CNPJ of an A1 client certificate")
    c.add_argument("--expired-cnpj", help="CNPJ of an A1 certificate that expired yesterday")
    c.add_argument("--password-file", help="file with the PKCS#12 password (default 1234)")
    args = parser.parse_args(argv)
    return serve(args) if args.command == "serve" else certs(args)


if __name__ == "__main__":
    sys.exit(main())
