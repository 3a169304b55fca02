"""What the authoriser's tests need besides the authoriser: a running server
in a subprocess, a TLS SOAP client with a client certificate, and small
signed documents (NF-e, events, voiding) built as a client would build them.

The modulo-11 digit is computed here independently of the server, and
checked against the official alphanumeric CNPJ example (12.ABC.345/01DE-35).
"""

import copy
import datetime
import http.client
import json
import os
import ssl
import subprocess
import tempfile

from lxml import etree
import xmlsec

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "autorizador.py")
SCHEMAS = os.path.normpath(os.path.join(HERE, "..", "..", "schema", "nfe"))
PYTHON = "/usr/bin/python3"

NFE_NS = "http://www.portalfiscal.inf.br/nfe"
DS_NS = "http://www.w3.org/2000/09/xmldsig#"
SOAP12_NS = "http://www.w3.org/2003/05/soap-envelope"
WSDL_NS = "http://www.portalfiscal.inf.br/nfe/wsdl/"
N = "{%s}" % NFE_NS
NS = {"n": NFE_NS, "ds": DS_NS, "soap": SOAP12_NS}

RETURN_SCHEMAS = {
    "retConsStatServ": "retConsStatServ_v4.00.xsd",
    "retEnviNFe": "retEnviNFe_v4.00.xsd",
    "retConsReciNFe": "retConsReciNFe_v4.00.xsd",
    "retConsSitNFe": "retConsSitNFe_v4.00.xsd",
    "retInutNFe": "retInutNFe_v4.00.xsd",
}
_schema_cache = {}


def schema(name):
    if name not in _schema_cache:
        _schema_cache[name] = etree.XMLSchema(etree.parse(os.path.join(SCHEMAS, name)))
    return _schema_cache[name]


def dv(text):
    total, weight = 0, 2
    for ch in reversed(text):
        total += (ord(ch) - 48) * weight
        weight = weight + 1 if weight < 9 else 2
    rest = total % 11
    return 0 if rest in (0, 1) else 11 - rest


def cnpj_with_dv(base12):
    d1 = dv(base12)
    return base12 + str(d1) + str(dv(base12 + str(d1)))


assert cnpj_with_dv("12ABC34501DE") == "12ABC34501DE35"

CNPJ_A = cnpj_with_dv("112223330001")         # numeric, 11222333000181
CNPJ_A_BRANCH = cnpj_with_dv("112223330002")  # same root, other branch
CNPJ_B = cnpj_with_dv("443332220001")         # another company
CNPJ_X = "12ABC34501DE35"                     # alphanumeric


def now_brt():
    return datetime.datetime.now(datetime.timezone(datetime.timedelta(hours=-3)))


def dh(moment=None):
    return (moment or now_brt()).strftime("%Y-%m-%dT%H:%M:%S-03:00")


# ----------------------------------------------------------------- PKI

class Pki:
    def __init__(self, folder):
        self.folder = folder
        subprocess.run([PYTHON, SCRIPT, "certs", folder, "--cnpj", CNPJ_A, "--cnpj", CNPJ_A_BRANCH,
                        "--cnpj", CNPJ_B, "--cnpj", CNPJ_X, "--expired-cnpj", CNPJ_A],
                       check=True, stdout=subprocess.DEVNULL)

    def path(self, name):
        return os.path.join(self.folder, name)

    def client(self, cnpj, expired=False):
        base = "a1-%s%s" % (cnpj, "-expired" if expired else "")
        return self.path(base + "-cert.pem"), self.path(base + "-key.pem")


# -------------------------------------------------------------- server

class Server:
    """The authoriser in a subprocess, on a free port."""

    def __init__(self, pki, state, *extra):
        self.pki, self.state = pki, state
        os.makedirs(state, exist_ok=True)
        self.port_file = os.path.join(state, "port")
        if os.path.exists(self.port_file):
            os.unlink(self.port_file)
        self.log = open(os.path.join(state, "server.log"), "ab")
        self.proc = subprocess.Popen(
            [PYTHON, SCRIPT, "serve", "--cert", pki.path("server.pem"), "--key", pki.path("server.key"),
             "--client-ca", pki.path("ca.pem"), "--state", state, "--port", "0",
             "--port-file", self.port_file] + list(extra),
            stdout=subprocess.PIPE, stderr=self.log)
        line = self.proc.stdout.readline().decode()
        if not line.startswith("listening on https://127.0.0.1:"):
            self.proc.kill()
            raise RuntimeError("server did not start: %r\n%s" % (line, self.read_log()))
        self.port = int(line.rsplit(":", 1)[1])

    def read_log(self):
        with open(os.path.join(self.state, "server.log"), "rb") as f:
            return f.read().decode(errors="replace")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(timeout=60)
        self.proc.stdout.close()
        self.log.close()
        return self.proc.returncode

    def control(self, rules):
        path = os.path.join(self.state, "control.json")
        fd, tmp = tempfile.mkstemp(dir=self.state)
        with os.fdopen(fd, "w") as f:
            json.dump(rules, f)
        os.replace(tmp, path)

    def stats(self):
        with open(os.path.join(self.state, "stats.json")) as f:
            return json.load(f)


# -------------------------------------------------------------- client

def tls_context(pki, cnpj=CNPJ_A, expired=False, with_cert=True):
    ctx = ssl.create_default_context(cafile=pki.path("ca.pem"))
    if with_cert:
        ctx.load_cert_chain(*pki.client(cnpj, expired))
    return ctx


def envelope(service, message):
    env = etree.Element("{%s}Envelope" % SOAP12_NS, nsmap={"soap12": SOAP12_NS})
    body = etree.SubElement(env, "{%s}Body" % SOAP12_NS)
    dados = etree.SubElement(body, "{%s}nfeDadosMsg" % (WSDL_NS + service), nsmap={None: WSDL_NS + service})
    dados.append(message)
    return etree.tostring(env, xml_declaration=True, encoding="utf-8")


class Client:
    """One persistent HTTPS connection, as a client station keeps it."""

    def __init__(self, server, ctx, timeout=60):
        self.conn = http.client.HTTPSConnection("localhost", server.port, context=ctx, timeout=timeout)

    def close(self):
        self.conn.close()

    def post_raw(self, service, body, ctype="application/soap+xml; charset=utf-8"):
        self.conn.request("POST", "/" + service, body=body,
                          headers={"Content-Type": ctype + '; action="%s%s/nfeX"' % (WSDL_NS, service)})
        resp = self.conn.getresponse()
        return resp.status, resp.getheader("Content-Type"), resp.read()

    def call(self, service, message):
        """Posts a message and returns the return message, after checking it
        is a well-formed SOAP 1.2 answer that passes its return schema."""
        status, ctype, data = self.post_raw(service, envelope(service, message))
        if status != 200:
            raise AssertionError("HTTP %d: %r" % (status, data[:300]))
        assert ctype.startswith("application/soap+xml"), ctype
        root = etree.fromstring(data)
        result = root.find("soap:Body/{%s}nfeResultMsg" % (WSDL_NS + service), NS)
        assert result is not None, data
        ret = result[0]
        check_return(ret)
        return ret


def check_return(ret):
    name = etree.QName(ret).localname
    if name == "retEnvEvento":
        kinds = {e.text for e in ret.findall("n:retEvento/n:infEvento/n:tpEvento", NS)}
        names = ["retEnvCCe_v1.00.xsd"] if kinds == {"110110"} else ["retEnvEventoCancNFe_v1.00.xsd"]
    else:
        names = [RETURN_SCHEMAS[name]]
    doc = etree.ElementTree(etree.fromstring(etree.tostring(ret)))
    for n in names:
        s = schema(n)
        if not s.validate(doc):
            raise AssertionError("%s violates %s: %s\n%s" % (name, n, s.error_log.last_error,
                                                            etree.tostring(ret).decode()))
    return ret


def cstat(ret, path="n:cStat"):
    return ret.findtext(path, namespaces=NS)


# ----------------------------------------------------------- documents

def E(tag, *children, **attrib):
    el = etree.Element(N + tag, **{k: str(v) for k, v in attrib.items()})
    for ch in children:
        if isinstance(ch, etree._Element):
            el.append(ch)
        else:
            el.text = str(ch)
    return el


def sign(root, signed, pki, cnpj):
    """Enveloped XML-DSig of `signed` (by its Id) appended to `root`, the way
    the NF-e layout asks: RSA-SHA1, C14N, certificate in X509Data."""
    cert_pem, key_pem = pki.client(cnpj)
    sig = xmlsec.template.create(root, xmlsec.constants.TransformInclC14N,
                                 xmlsec.constants.TransformRsaSha1)
    root.append(sig)
    ref = xmlsec.template.add_reference(sig, xmlsec.constants.TransformSha1, uri="#" + signed.get("Id"))
    xmlsec.template.add_transform(ref, xmlsec.constants.TransformEnveloped)
    xmlsec.template.add_transform(ref, xmlsec.constants.TransformInclC14N)
    info = xmlsec.template.ensure_key_info(sig)
    xmlsec.template.add_x509_data(info)
    xmlsec.tree.add_ids(root, ["Id"])
    ctx = xmlsec.SignatureContext()
    key = xmlsec.Key.from_file(key_pem, xmlsec.constants.KeyDataFormatPem)
    key.load_cert_from_file(cert_pem, xmlsec.constants.KeyDataFormatPem)
    ctx.key = key
    ctx.sign(sig)
    # a clean reparse: lxml's path lookups miss nodes that xmlsec created
    root = etree.fromstring(etree.tostring(root))
    # X509Data carries the certificate only (the layout's schema allows no more)
    x509data = root.find("ds:Signature/ds:KeyInfo/ds:X509Data", NS)
    for child in list(x509data):
        if etree.QName(child).localname != "X509Certificate":
            x509data.remove(child)
    return root


def access_key(cuf, dhemi, cnpj, mod, serie, nnf, tpemis, cnf):
    base = "%s%s%s%s%s%03d%09d%s%s" % (cuf, dhemi[2:4], dhemi[5:7], cnpj, mod, serie, nnf, tpemis, cnf)
    return base + str(dv(base))


def nfe(pki, cnpj=CNPJ_A, nnf=1, serie=1, cuf="35", cnf="10293847", tpamb=2, tpemis=1,
        signer=None, key=None, cdv=None, dhemi=None):
    """A small NF-e that passes nfe_v4.00.xsd, signed with the emitter's A1.
    key/cdv override the computed access key / check digit."""
    dhemi = dhemi or dh()
    real = access_key(cuf, dhemi, cnpj, "55", serie, nnf, tpemis, cnf)
    key = key or real
    cdv = real[-1] if cdv is None else cdv
    ide = E("ide", E("cUF", cuf), E("cNF", cnf), E("natOp", "VENDA DE TECIDOS"), E("mod", "55"),
            E("serie", serie), E("nNF", nnf), E("dhEmi", dhemi), E("tpNF", 1), E("idDest", 1),
            E("cMunFG", "3550308"), E("tpImp", 1), E("tpEmis", tpemis), E("cDV", cdv),
            E("tpAmb", tpamb), E("finNFe", 1), E("indFinal", 0), E("indPres", 9),
            E("indIntermed", 0), E("procEmi", 0), E("verProc", "TESTE 1.0"))
    ender = E("enderEmit", E("xLgr", "RUA DAS FIANDEIRAS"), E("nro", "100"), E("xBairro", "CENTRO"),
              E("cMun", "3550308"), E("xMun", "SAO PAULO"), E("UF", "SP"), E("CEP", "01001000"))
    emit = E("emit", E("CNPJ", cnpj), E("xNome", "TECELAGEM TESTE LTDA"), ender,
             E("IE", "111111111111"), E("CRT", 3))
    dest = E("dest", E("CNPJ", CNPJ_B),
             E("xNome", "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL"),
             E("indIEDest", 9))
    prod = E("prod", E("cProd", "TEC001"), E("cEAN", "SEM GTIN"), E("xProd", "TECIDO PLANO ALGODAO"),
             E("NCM", "52081200"), E("CFOP", "5101"), E("uCom", "M"), E("qCom", "10.0000"),
             E("vUnCom", "12.5000000000"), E("vProd", "125.00"), E("cEANTrib", "SEM GTIN"),
             E("uTrib", "M"), E("qTrib", "10.0000"), E("vUnTrib", "12.5000000000"), E("indTot", 1))
    imposto = E("imposto", E("ICMS", E("ICMS40", E("orig", 0), E("CST", "41"))),
                E("PIS", E("PISNT", E("CST", "07"))), E("COFINS", E("COFINSNT", E("CST", "07"))))
    det = E("det", prod, imposto, nItem=1)
    tot = E("ICMSTot", *[E(t, "0.00") for t in ("vBC", "vICMS", "vICMSDeson", "vFCP", "vBCST", "vST",
                                                 "vFCPST", "vFCPSTRet")],
            E("vProd", "125.00"), *[E(t, "0.00") for t in ("vFrete", "vSeg", "vDesc", "vII", "vIPI",
                                                          "vIPIDevol", "vPIS", "vCOFINS", "vOutro")],
            E("vNF", "125.00"))
    inf = E("infNFe", ide, emit, dest, det, E("total", tot), E("transp", E("modFrete", 9)),
            E("pag", E("detPag", E("tPag", "90"), E("vPag", "0.00"))), versao="4.00", Id="NFe" + key)
    root = etree.Element(N + "NFe", nsmap={None: NFE_NS})
    root.append(inf)
    return sign(root, inf, pki, signer or cnpj)


def key_of(nfe_el):
    return nfe_el.find("n:infNFe", NS).get("Id")[3:]


def envi(nfes, sync=True, lote=1):
    root = etree.Element(N + "enviNFe", nsmap={None: NFE_NS}, versao="4.00")
    root.append(E("idLote", lote))
    root.append(E("indSinc", 1 if sync else 0))
    for n in nfes:
        root.append(copy.deepcopy(n))     # appending would move the caller's element
    return root


def cons_stat(cuf="35", tpamb=2, xserv="STATUS"):
    root = etree.Element(N + "consStatServ", nsmap={None: NFE_NS}, versao="4.00")
    for tag, val in (("tpAmb", tpamb), ("cUF", cuf), ("xServ", xserv)):
        root.append(E(tag, val))
    return root


def cons_sit(key, tpamb=2):
    root = etree.Element(N + "consSitNFe", nsmap={None: NFE_NS}, versao="4.00")
    root.append(E("tpAmb", tpamb))
    root.append(E("xServ", "CONSULTAR"))
    root.append(E("chNFe", key))
    return root


def cons_reci(nrec, tpamb=2):
    root = etree.Element(N + "consReciNFe", nsmap={None: NFE_NS}, versao="4.00")
    root.append(E("tpAmb", tpamb))
    root.append(E("nRec", nrec))
    return root


CCE_COND = ("A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de "
            "dezembro de 1970 e pode ser utilizada para regularizacao de erro ocorrido na emissao de "
            "documento fiscal, desde que o erro nao esteja relacionado com: I - as variaveis que "
            "determinam o valor do imposto tais como: base de calculo, aliquota, diferenca de preco, "
            "quantidade, valor da operacao ou da prestacao; II - a correcao de dados cadastrais que "
            "implique mudanca do remetente ou do destinatario; III - a data de emissao ou de saida.")


def evento(pki, key, kind, seq=1, nprot=None, cnpj=None, tpamb=2, correction=None):
    cnpj = cnpj or key[6:20]
    if kind == "110111":
        det = E("detEvento", E("descEvento", "Cancelamento"), E("nProt", nprot),
                E("xJust", "Pedido cancelado pelo cliente antes da saida"), versao="1.00")
    else:
        det = E("detEvento", E("descEvento", "Carta de Correcao"),
                E("xCorrecao", correction or "Corrigir a cor do tecido para azul marinho"),
                E("xCondUso", CCE_COND), versao="1.00")
    inf = E("infEvento", E("cOrgao", key[:2]), E("tpAmb", tpamb), E("CNPJ", cnpj), E("chNFe", key),
            E("dhEvento", dh()), E("tpEvento", kind), E("nSeqEvento", seq), E("verEvento", "1.00"),
            det, Id="ID%s%s%02d" % (kind, key, seq))
    root = etree.Element(N + "evento", nsmap={None: NFE_NS}, versao="1.00")
    root.append(inf)
    return sign(root, inf, pki, cnpj)


def env_evento(eventos, lote=7):
    root = etree.Element(N + "envEvento", nsmap={None: NFE_NS}, versao="1.00")
    root.append(E("idLote", lote))
    for ev in eventos:
        root.append(copy.deepcopy(ev))
    return root


def inut(pki, ini, fin, cnpj=CNPJ_A, serie=1, cuf="35", tpamb=2, ano=None):
    ano = ano or now_brt().strftime("%y")
    inf = E("infInut", E("tpAmb", tpamb), E("xServ", "INUTILIZAR"), E("cUF", cuf), E("ano", ano),
            E("CNPJ", cnpj), E("mod", "55"), E("serie", serie), E("nNFIni", ini), E("nNFFin", fin),
            E("xJust", "Numeracao pulada por falha do sistema emissor"),
            Id="ID%s%s%s55%03d%09d%09d" % (cuf, ano, cnpj, serie, ini, fin))
    root = etree.Element(N + "inutNFe", nsmap={None: NFE_NS}, versao="4.00")
    root.append(inf)
    return sign(root, inf, pki, cnpj)


def valid_nfe_document(nfe_el):
    doc = etree.ElementTree(etree.fromstring(etree.tostring(nfe_el)))
    s = schema("nfe_v4.00.xsd")
    return s.validate(doc), s.error_log.last_error
