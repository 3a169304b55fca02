"""Black-box tests of the local NF-e authoriser: a real server process, real
TLS on loopback with client certificates, SOAP 1.2 messages built and signed
as a client builds them. Every answer read through Client.call has already
been checked against its return schema.

Run: /usr/bin/python3 -m unittest discover -s tools/autorizador
"""

import copy
import datetime
import http.client
import itertools
import json
import os
import shutil
import signal
import socket
import ssl
import tempfile
import threading
import time
import unittest

from cryptography import x509
from cryptography.hazmat.primitives.serialization import pkcs12
from lxml import etree

import support as s
from support import NS, CNPJ_A, CNPJ_A_BRANCH, CNPJ_B, CNPJ_X

TMP = None
PKI = None
SERVER = None
numbers = itertools.count(100)


def setUpModule():
    global TMP, PKI, SERVER
    TMP = tempfile.mkdtemp(prefix="autorizador-test-")
    PKI = s.Pki(os.path.join(TMP, "pki"))
    SERVER = s.Server(PKI, os.path.join(TMP, "main"))


def tearDownModule():
    if SERVER:
        SERVER.stop()
    shutil.rmtree(TMP, ignore_errors=True)


def eventually(check, what, limit=60):
    """Waits for a condition the server reaches on its own (for example after
    the client gave up waiting for it); fails only after a generous limit."""
    end = time.monotonic() + limit
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise AssertionError("never happened: " + what)
        time.sleep(0.1)


def prot(ret, field):
    return ret.findtext("n:protNFe/n:infProt/n:" + field, namespaces=NS)


def ret_evento(ret, field, index=0):
    return ret.findall("n:retEvento/n:infEvento", NS)[index].findtext("n:" + field, namespaces=NS)


def digest_of(nfe_el):
    return nfe_el.findtext("ds:Signature/ds:SignedInfo/ds:Reference/ds:DigestValue", namespaces=NS)


class ServerCase(unittest.TestCase):
    server = None

    def setUp(self):
        self.srv = self.server or SERVER
        self.srv.control([])
        self.clients = []

    def tearDown(self):
        for c in self.clients:
            c.close()
        self.srv.control([])

    def client(self, cnpj=CNPJ_A, timeout=60):
        c = s.Client(self.srv, s.tls_context(PKI, cnpj), timeout=timeout)
        self.clients.append(c)
        return c

    def authorise(self, nfe_el, cnpj=CNPJ_A):
        return self.client(cnpj).call("NFeAutorizacao4", s.envi([nfe_el]))

    def consult(self, key):
        return self.client().call("NFeConsultaProtocolo4", s.cons_sit(key))

    def authorised(self, nnf=None, cnpj=CNPJ_A):
        """A fresh NF-e, authorised; returns (nfe, nProt)."""
        n = s.nfe(PKI, cnpj=cnpj, nnf=nnf or next(numbers))
        ret = self.authorise(n, cnpj)
        self.assertEqual(prot(ret, "cStat"), "100", prot(ret, "xMotivo"))
        return n, prot(ret, "nProt")


# ------------------------------------------------------------------ certs

class CertsTest(unittest.TestCase):
    def test_a1_certificates_carry_the_cnpj_as_icp_brasil_does(self):
        for cnpj in (CNPJ_A, CNPJ_X):
            with open(PKI.path("a1-%s.pfx" % cnpj), "rb") as f:
                key, cert, extra = pkcs12.load_key_and_certificates(f.read(), b"1234")
            self.assertIsNotNone(key)
            cn = cert.subject.get_attributes_for_oid(x509.NameOID.COMMON_NAME)[0].value
            self.assertEqual(cn, "EMPRESA TESTE:" + cnpj)
            san = cert.extensions.get_extension_for_class(x509.SubjectAlternativeName).value
            other = [o for o in san if isinstance(o, x509.OtherName)]
            self.assertEqual(other[0].type_id.dotted_string, "2.16.76.1.3.3")
            self.assertEqual(other[0].value, b"\x13\x0e" + cnpj.encode())
            with open(PKI.path("ca.pem"), "rb") as f:
                ca = x509.load_pem_x509_certificate(f.read())
            self.assertEqual([c.subject for c in extra], [ca.subject])
            self.assertEqual(cert.issuer, ca.subject)

    def test_expired_certificate_ended_before_now(self):
        with open(PKI.path("a1-%s-expired.pfx" % CNPJ_A), "rb") as f:
            _, cert, _ = pkcs12.load_key_and_certificates(f.read(), b"1234")
        self.assertLess(cert.not_valid_after, datetime.datetime.utcnow())

    def test_key_files_are_private_and_password_file_is_used(self):
        folder = os.path.join(TMP, "pki-pw")
        os.makedirs(folder)
        pw = os.path.join(folder, "pw")
        with open(pw, "w") as f:
            f.write("s3gredo\n")
        s.subprocess.run([s.PYTHON, s.SCRIPT, "certs", folder, "--cnpj", CNPJ_B, "--password-file", pw],
                         check=True, stdout=s.subprocess.DEVNULL)
        with open(os.path.join(folder, "a1-%s.pfx" % CNPJ_B), "rb") as f:
            data = f.read()
        pkcs12.load_key_and_certificates(data, b"s3gredo")
        with self.assertRaises(ValueError):
            pkcs12.load_key_and_certificates(data, b"1234")
        for name in os.listdir(folder):
            if name.endswith((".key", ".pfx", "-key.pem")):
                self.assertEqual(os.stat(os.path.join(folder, name)).st_mode & 0o777, 0o600, name)


# -------------------------------------------------------------- transport

class TransportTest(ServerCase):
    def refused(self, ctx):
        """True when the server will not talk to this client: the handshake
        fails or (TLS 1.3, where the client finishes first) the first read."""
        conn = http.client.HTTPSConnection("localhost", self.srv.port, context=ctx, timeout=60)
        try:
            conn.request("POST", "/NFeStatusServico4", body=s.envelope("NFeStatusServico4", s.cons_stat()),
                         headers={"Content-Type": "application/soap+xml; charset=utf-8"})
            conn.getresponse().read()
        except (ssl.SSLError, ConnectionError, http.client.RemoteDisconnected, OSError):
            return True
        finally:
            conn.close()
        return False

    def test_clients_without_a_valid_certificate_are_refused_at_tls(self):
        self.assertTrue(self.refused(s.tls_context(PKI, with_cert=False)))
        self.assertTrue(self.refused(s.tls_context(PKI, CNPJ_A, expired=True)))
        ctx = s.tls_context(PKI, with_cert=False)
        ctx.load_cert_chain(PKI.path("server-untrusted.pem"), PKI.path("server-untrusted.key"))
        self.assertTrue(self.refused(ctx))
        self.assertFalse(self.refused(s.tls_context(PKI, CNPJ_A)))

    def test_server_certificate_names_localhost_and_127_0_0_1(self):
        for host in ("localhost", "127.0.0.1"):
            ctx = s.tls_context(PKI)
            with socket.create_connection(("127.0.0.1", self.srv.port), timeout=60) as raw:
                with ctx.wrap_socket(raw, server_hostname=host) as tls:
                    self.assertTrue(tls.getpeercert())

    def test_one_connection_serves_many_requests(self):
        c = self.client()
        c.call("NFeStatusServico4", s.cons_stat())
        sock = c.conn.sock
        for _ in range(3):
            self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")
        n = s.nfe(PKI, nnf=next(numbers))
        self.assertEqual(prot(c.call("NFeAutorizacao4", s.envi([n])), "cStat"), "100")
        self.assertIs(c.conn.sock, sock)

    def test_unreadable_soap_gets_a_soap_fault_with_http_500(self):
        c = self.client()
        soap11 = (b'<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">'
                  b'<soap:Body/></soap:Envelope>')
        no_dados = (b'<soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/soap-envelope">'
                    b'<soap12:Body><x/></soap12:Body></soap12:Envelope>')
        wrong_ns = s.envelope("NFeStatusServico4", s.cons_stat())
        for body, service in ((b"<soap12:Envelope", "NFeStatusServico4"), (soap11, "NFeStatusServico4"),
                              (no_dados, "NFeStatusServico4"), (wrong_ns, "NFeAutorizacao4")):
            status, ctype, data = c.post_raw(service, body)
            self.assertEqual(status, 500, body)
            self.assertTrue(ctype.startswith("application/soap+xml"))
            self.assertIsNotNone(etree.fromstring(data).find("soap:Body/soap:Fault", NS))
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")

    @unittest.skipUnless(shutil.which("curl"), "curl not installed")
    def test_a_libcurl_client_talks_to_it(self):
        # libcurl with OpenSSL, as the library's client: client certificate,
        # Expect: 100-continue, and the second request on the same connection
        folder = tempfile.mkdtemp(dir=TMP)
        auth, stat = os.path.join(folder, "auth.xml"), os.path.join(folder, "stat.xml")
        n = s.nfe(PKI, nnf=next(numbers))
        with open(auth, "wb") as f:
            f.write(s.envelope("NFeAutorizacao4", s.envi([n])))
        with open(stat, "wb") as f:
            f.write(s.envelope("NFeStatusServico4", s.cons_stat()))
        cert, key = PKI.client(CNPJ_A)
        common = ["--cacert", PKI.path("ca.pem"), "--cert", cert, "--key", key,
                  "-H", "Content-Type: application/soap+xml; charset=utf-8"]
        url = "https://localhost:%d/" % self.srv.port
        run = s.subprocess.run(["curl", "-sSv"] + common + ["-H", "Expect: 100-continue", "--data-binary",
                                "@" + auth, url + "NFeAutorizacao4", "--next"] + common
                               + ["--data-binary", "@" + stat, url + "NFeStatusServico4"],
                               capture_output=True, timeout=120)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn(b"< HTTP/1.1 100 Continue", run.stderr)
        self.assertIn(b"Re-using existing connection", run.stderr)
        out = run.stdout.decode()
        self.assertIn("<cStat>100</cStat>", out)
        self.assertIn("<cStat>107</cStat>", out)

    def test_wrong_media_type_and_unknown_service(self):
        c = self.client()
        body = s.envelope("NFeStatusServico4", s.cons_stat())
        self.assertEqual(c.post_raw("NFeStatusServico4", body, "text/xml; charset=utf-8")[0], 415)
        self.assertEqual(c.post_raw("NFeNaoExiste4", body)[0], 404)


# ----------------------------------------------------------------- status

class StatusTest(ServerCase):
    def test_status_in_operation(self):
        ret = self.client().call("NFeStatusServico4", s.cons_stat("35"))
        self.assertEqual((s.cstat(ret), ret.findtext("n:xMotivo", namespaces=NS)), ("107", "Serviço em Operação"))
        self.assertEqual(ret.findtext("n:cUF", namespaces=NS), "35")
        self.assertIsNotNone(ret.findtext("n:tMed", namespaces=NS))

    def test_status_rejections(self):
        c = self.client()
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat(xserv="CONSULTAR"))), "215")
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat(tpamb=1))), "252")


# ---------------------------------------------------------- authorisation

class AuthorisationTest(ServerCase):
    def test_synchronous_authorisation_and_the_authorised_document(self):
        n = s.nfe(PKI, nnf=next(numbers))
        ret = self.authorise(n)
        self.assertEqual(s.cstat(ret), "104")
        self.assertEqual(prot(ret, "cStat"), "100")
        self.assertEqual(prot(ret, "xMotivo"), "Autorizado o uso da NF-e")
        self.assertEqual(prot(ret, "chNFe"), s.key_of(n))
        self.assertEqual(prot(ret, "digVal"), digest_of(n))
        self.assertRegex(prot(ret, "nProt"), r"^1%s\d{12}$" % s.key_of(n)[:2])
        self.assertRegex(prot(ret, "dhRecbto"), r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d-03:00$")
        # what a client files: the NF-e with its protocol, a valid nfeProc
        proc = etree.Element(s.N + "nfeProc", nsmap={None: s.NFE_NS}, versao="4.00")
        proc.append(copy.deepcopy(n))
        proc.append(copy.deepcopy(ret.find("n:protNFe", NS)))
        doc = etree.ElementTree(etree.fromstring(etree.tostring(proc)))
        self.assertTrue(s.schema("procNFe_v4.00.xsd").validate(doc), s.schema("procNFe_v4.00.xsd").error_log)
        self.assertEqual(SERVER.stats()["authorisations"][s.key_of(n)], 1)

    def test_alphanumeric_cnpj_is_authorised(self):
        n = s.nfe(PKI, cnpj=CNPJ_X, nnf=next(numbers))
        self.assertRegex(s.key_of(n), "12ABC34501DE35")
        self.assertEqual(prot(self.authorise(n, CNPJ_X), "cStat"), "100")

    def test_resubmission_is_a_duplicate_and_keeps_the_first_protocol(self):
        nnf = next(numbers)
        n, nprot = self.authorised(nnf)
        ret = self.authorise(n)
        self.assertEqual(prot(ret, "cStat"), "204")
        self.assertRegex(prot(ret, "xMotivo"), r"^Rejeição: Duplicidade de NF-e \[nRec:\d{15}\]$")
        other = s.nfe(PKI, nnf=nnf, cnf="55667788")      # same number, another key
        ret = self.authorise(other)
        self.assertEqual(prot(ret, "cStat"), "539")
        self.assertRegex(prot(ret, "xMotivo"),
                         r"^Rejeição: Duplicidade de NF-e com diferença na Chave de Acesso "
                         r"\[chNFe:%s\]\[nRec:\d{15}\]$" % s.key_of(n))
        cons = self.consult(s.key_of(n))
        self.assertEqual((s.cstat(cons), prot(cons, "nProt")), ("100", nprot))
        self.assertEqual(s.cstat(self.consult(s.key_of(other))), "217")
        self.assertEqual(SERVER.stats()["authorisations"][s.key_of(n)], 1)

    def test_concurrent_submissions_of_one_nfe_authorise_it_once(self):
        n = s.nfe(PKI, nnf=next(numbers))
        results, errors = [], []
        start = threading.Barrier(8)

        def submit():
            try:
                c = s.Client(SERVER, s.tls_context(PKI), timeout=120)
                start.wait()
                ret = c.call("NFeAutorizacao4", s.envi([n]))
                results.append(prot(ret, "cStat") or "lot " + s.cstat(ret))
                c.close()
            except Exception as e:      # reported below, not lost in a thread
                errors.append(e)
        threads = [threading.Thread(target=submit) for _ in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])
        self.assertEqual(sorted(results), ["100"] + ["204"] * 7)
        self.assertEqual(SERVER.stats()["authorisations"][s.key_of(n)], 1)

    def test_lot_schema_failure_rejects_the_whole_lot(self):
        n = s.nfe(PKI, nnf=next(numbers))
        lot = s.envi([n])
        lot.remove(lot.find("n:indSinc", NS))
        ret = self.client().call("NFeAutorizacao4", lot)
        self.assertEqual((s.cstat(ret), ret.find("n:protNFe", NS)), ("225", None))
        self.assertEqual(s.cstat(self.consult(s.key_of(n))), "217")

    def test_certificates_must_belong_to_the_emitter(self):
        # transmission certificate of another company
        n = s.nfe(PKI, nnf=next(numbers))
        ret = self.authorise(n, cnpj=CNPJ_B)
        self.assertEqual(prot(ret, "cStat"), "213")
        self.assertEqual(prot(ret, "xMotivo"),
                         "Rejeição: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital")
        # signed by another company
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=next(numbers), signer=CNPJ_B)), "cStat"), "213")
        # another branch of the same company: same CNPJ root, accepted
        n = s.nfe(PKI, nnf=next(numbers), signer=CNPJ_A_BRANCH)
        self.assertEqual(prot(self.authorise(n, cnpj=CNPJ_A_BRANCH), "cStat"), "100")

    def test_a_signature_that_does_not_match_is_rejected(self):
        n = s.nfe(PKI, nnf=next(numbers))
        n.find(".//n:xProd", NS).text = "TECIDO ALTERADO DEPOIS DA ASSINATURA"
        self.assertEqual(prot(self.authorise(n), "cStat"), "297")
        n = s.nfe(PKI, nnf=next(numbers))
        ref = n.find("ds:Signature/ds:SignedInfo/ds:Reference", NS)
        ref.set("URI", "#NFe" + "1" * 44)
        self.assertEqual(prot(self.authorise(n), "cStat"), "298")

    def test_access_key_must_match_its_fields_and_digit(self):
        nnf = next(numbers)
        good = s.access_key("35", s.dh(), CNPJ_A, "55", 1, nnf, 1, "10293847")
        wrong_dv = str((int(good[-1]) + 1) % 10)
        n = s.nfe(PKI, nnf=nnf, key=good[:-1] + wrong_dv, cdv=wrong_dv)
        ret = self.authorise(n)
        self.assertEqual((prot(ret, "cStat"), prot(ret, "xMotivo")),
                         ("253", "Rejeição: Digito Verificador da chave de acesso composta inválida"))
        other = s.access_key("35", s.dh(), CNPJ_A, "55", 1, nnf + 1, 1, "10293847")
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=nnf, key=other)), "cStat"), "502")

    def test_environment_and_type_of_emission(self):
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=next(numbers), tpamb=1)), "cStat"), "252")
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=next(numbers), tpemis=6)), "cStat"), "570")

    def test_receipt_flow(self):
        a, b = s.nfe(PKI, nnf=next(numbers)), s.nfe(PKI, nnf=next(numbers))
        c = self.client()
        self.assertEqual(s.cstat(c.call("NFeAutorizacao4", s.envi([a, b], sync=True))), "764")
        ret = c.call("NFeAutorizacao4", s.envi([a, b], sync=False))
        self.assertEqual(s.cstat(ret), "103")
        self.assertIsNone(ret.find("n:protNFe", NS))
        nrec = ret.findtext("n:infRec/n:nRec", namespaces=NS)
        ret = c.call("NFeRetAutorizacao4", s.cons_reci(nrec))
        self.assertEqual((s.cstat(ret), ret.findtext("n:nRec", namespaces=NS)), ("104", nrec))
        self.assertEqual([p.findtext("n:infProt/n:chNFe", namespaces=NS) for p in ret.findall("n:protNFe", NS)],
                         [s.key_of(a), s.key_of(b)])
        self.assertEqual([p.findtext("n:infProt/n:cStat", namespaces=NS) for p in ret.findall("n:protNFe", NS)],
                         ["100", "100"])
        self.assertEqual(s.cstat(c.call("NFeRetAutorizacao4", s.cons_reci("359999999999999"))), "106")

    def test_consultation_of_unknown_key(self):
        key = s.access_key("35", s.dh(), CNPJ_A, "55", 9, 999999, 1, "10293847")
        ret = self.consult(key)
        self.assertEqual((s.cstat(ret), ret.find("n:protNFe", NS)), ("217", None))
        self.assertEqual(s.cstat(self.consult(key[:-1] + str((int(key[-1]) + 1) % 10))), "236")


# ----------------------------------------------------------------- events

class EventsTest(ServerCase):
    def send(self, *eventos, cnpj=CNPJ_A):
        return self.client(cnpj).call("NFeRecepcaoEvento4", s.env_evento(list(eventos)))

    def test_correction_then_cancellation(self):
        n, nprot = self.authorised()
        key = s.key_of(n)
        ret = self.send(s.evento(PKI, key, "110110"))
        self.assertEqual((s.cstat(ret), ret_evento(ret, "cStat")), ("128", "135"))
        self.assertEqual(ret_evento(ret, "xMotivo"), "Evento registrado e vinculado a NF-e")
        self.assertRegex(ret_evento(ret, "nProt"), r"^\d{15}$")
        cons = self.consult(key)
        self.assertEqual((s.cstat(cons), len(cons.findall("n:procEventoNFe", NS))), ("100", 1))

        ret = self.send(s.evento(PKI, key, "110111", nprot=nprot))
        self.assertEqual((ret_evento(ret, "cStat"), ret_evento(ret, "tpEvento")), ("135", "110111"))
        cons = self.consult(key)
        self.assertEqual(s.cstat(cons), "101")
        self.assertEqual(prot(cons, "nProt"), nprot)
        procs = cons.findall("n:procEventoNFe", NS)
        self.assertEqual([p.findtext("n:evento/n:infEvento/n:tpEvento", namespaces=NS) for p in procs],
                         ["110110", "110111"])
        # the cancellation as a client files it: a valid procEventoNFe
        doc = etree.ElementTree(etree.fromstring(etree.tostring(procs[1])))
        self.assertTrue(s.schema("procEventoCancNFe_v1.00.xsd").validate(doc),
                        s.schema("procEventoCancNFe_v1.00.xsd").error_log)

        self.assertEqual(ret_evento(self.send(s.evento(PKI, key, "110111", nprot=nprot)), "cStat"), "573")
        self.assertEqual(ret_evento(self.send(s.evento(PKI, key, "110110", seq=2)), "cStat"), "580")

    def test_cancellation_rejections(self):
        n, nprot = self.authorised()
        key = s.key_of(n)
        wrong = str(int(nprot) + 1000)
        unknown = s.access_key("35", s.dh(), CNPJ_A, "55", 8, 777777, 1, "10293847")
        ret = self.send(s.evento(PKI, key, "110111", nprot=wrong),
                        s.evento(PKI, unknown, "110111", nprot=nprot))
        self.assertEqual(s.cstat(ret), "128")
        self.assertEqual([ret_evento(ret, "cStat", i) for i in (0, 1)], ["222", "494"])
        self.assertEqual(ret_evento(ret, "xMotivo", 0),
                         "Rejeição: Protocolo de Autorização de Uso difere do cadastrado")
        # an author other than the emitter of the key
        ret = self.send(s.evento(PKI, key, "110111", nprot=nprot, cnpj=CNPJ_B), cnpj=CNPJ_B)
        self.assertEqual(ret_evento(ret, "cStat"), "574")
        self.assertEqual(s.cstat(self.consult(key)), "100")

    def test_an_unknown_event_type_is_rejected_on_its_own(self):
        n, _ = self.authorised()
        ret = self.send(s.evento(PKI, s.key_of(n), "110110"), s.evento(PKI, s.key_of(n), "210200"))
        self.assertEqual(s.cstat(ret), "128")
        self.assertEqual([ret_evento(ret, "cStat", i) for i in (0, 1)], ["135", "491"])

    def test_event_schema_failure_rejects_the_lot(self):
        n, nprot = self.authorised()
        ev = s.evento(PKI, s.key_of(n), "110111", nprot=nprot)
        ev.find("n:infEvento/n:detEvento/n:xJust", NS).text = "curta"
        ret = self.send(ev)
        self.assertEqual((s.cstat(ret), ret.find("n:retEvento", NS)), ("215", None))


# ---------------------------------------------------------------- voiding

class VoidingTest(ServerCase):
    def void(self, ini, fin, serie=3):
        ret = self.client().call("NFeInutilizacao4", s.inut(PKI, ini, fin, serie=serie))
        return ret.findtext("n:infInut/n:cStat", namespaces=NS), ret

    def test_voiding_and_the_numbers_it_protects(self):
        base = next(numbers) * 1000
        code, ret = self.void(base, base + 9)
        self.assertEqual(code, "102")
        self.assertEqual(ret.findtext("n:infInut/n:xMotivo", namespaces=NS), "Inutilização de número homologado")
        self.assertRegex(ret.findtext("n:infInut/n:nProt", namespaces=NS), r"^\d{15}$")
        self.assertEqual(self.void(base, base + 9)[0], "563")
        self.assertEqual(self.void(base + 5, base + 20)[0], "256")
        self.assertEqual(self.void(base + 10, base + 20)[0], "102")
        # a voided number cannot be authorised; another series is unaffected
        self.assertEqual(prot(self.authorise(s.nfe(PKI, serie=3, nnf=base + 4)), "cStat"), "206")
        self.assertEqual(prot(self.authorise(s.nfe(PKI, serie=4, nnf=base + 4)), "cStat"), "100")

    def test_a_range_with_an_authorised_number_is_refused(self):
        base = next(numbers) * 1000
        self.authorised(base + 2)          # series 1
        self.assertEqual(self.void(base, base + 5, serie=1)[0], "241")
        self.assertEqual(self.void(base + 5, base, serie=1)[0], "224")


# ----------------------------------------------------------------- faults

class FaultsTest(ServerCase):
    def test_injected_rejection_is_not_stored(self):
        self.srv.control([{"service": "NFeStatusServico4", "fault": "reject", "cstat": 656,
                           "xmotivo": "Rejeição: Consumo Indevido"}])
        ret = self.client().call("NFeStatusServico4", s.cons_stat())
        self.assertEqual((s.cstat(ret), ret.findtext("n:xMotivo", namespaces=NS)),
                         ("656", "Rejeição: Consumo Indevido"))
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "reject", "cstat": 228}])
        ret = self.authorise(n)
        self.assertEqual((s.cstat(ret), prot(ret, "cStat"), prot(ret, "nProt")), ("104", "228", None))
        self.assertEqual(s.cstat(self.consult(s.key_of(n))), "217")
        self.assertEqual(prot(self.authorise(n), "cStat"), "100")

    def test_denial_is_remembered(self):
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "deny", "cstat": 302}])
        ret = self.authorise(n)
        self.assertEqual((prot(ret, "cStat"), prot(ret, "xMotivo")),
                         ("302", "Uso Denegado: Irregularidade fiscal do destinatário"))
        nprot = prot(ret, "nProt")
        self.assertRegex(nprot, r"^\d{15}$")
        cons = self.consult(s.key_of(n))
        self.assertEqual((s.cstat(cons), prot(cons, "nProt")), ("302", nprot))
        self.assertEqual(prot(self.authorise(n), "cStat"), "205")
        ret = self.client().call("NFeRecepcaoEvento4", s.env_evento([s.evento(PKI, s.key_of(n), "110111",
                                                                              nprot=nprot)]))
        self.assertEqual(ret_evento(ret, "cStat"), "580")

    def test_service_stopped(self):
        self.srv.control([{"service": "*", "fault": "status", "cstat": 109, "times": 2}])
        c = self.client()
        ret = c.call("NFeStatusServico4", s.cons_stat())
        self.assertEqual((s.cstat(ret), ret.findtext("n:xMotivo", namespaces=NS)),
                         ("109", "Serviço Paralisado sem Previsão"))
        n = s.nfe(PKI, nnf=next(numbers))
        ret = c.call("NFeAutorizacao4", s.envi([n]))
        self.assertEqual((s.cstat(ret), ret.find("n:protNFe", NS)), ("109", None))
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")
        self.assertEqual(prot(c.call("NFeAutorizacao4", s.envi([n])), "cStat"), "100")

    def test_rules_fire_in_order_and_are_consumed(self):
        self.srv.control([{"service": "NFeStatusServico4", "fault": "status", "cstat": 108, "times": 2},
                          {"service": "NFeConsultaProtocolo4", "fault": "http500"},
                          {"fault": "http500"}])
        c = self.client()
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "108")
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "108")
        status, _, data = c.post_raw("NFeStatusServico4", s.envelope("NFeStatusServico4", s.cons_stat()))
        self.assertEqual(status, 500)
        self.assertIsNotNone(etree.fromstring(data).find("soap:Body/soap:Fault", NS))
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")
        with open(os.path.join(self.srv.state, "control.json")) as f:
            left = json.load(f)
        self.assertEqual(left, [{"service": "NFeConsultaProtocolo4", "fault": "http500"}])

    def test_forever_rule_and_unreadable_control_file(self):
        self.srv.control([{"service": "NFeStatusServico4", "fault": "status", "times": -1}])
        c = self.client()
        for _ in range(3):
            self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "108")
        with open(os.path.join(self.srv.state, "control.json"), "w") as f:
            f.write("{not json")
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")
        os.unlink(os.path.join(self.srv.state, "control.json"))
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat())), "107")

    def test_broken_answers(self):
        c = self.client()
        self.srv.control([{"fault": "not_xml"}])
        status, _, data = c.post_raw("NFeStatusServico4", s.envelope("NFeStatusServico4", s.cons_stat()))
        self.assertEqual(status, 200)
        with self.assertRaises(etree.XMLSyntaxError):
            etree.fromstring(data)
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "invalid"}])
        status, _, data = c.post_raw("NFeAutorizacao4", s.envelope("NFeAutorizacao4", s.envi([n])))
        self.assertEqual(status, 200)
        ret = etree.fromstring(data).find("soap:Body/{%sNFeAutorizacao4}nfeResultMsg/n:retEnviNFe" % s.WSDL_NS, NS)
        self.assertIsNotNone(ret)
        with self.assertRaises(AssertionError):
            s.check_return(ret)
        self.assertEqual(s.cstat(self.consult(s.key_of(n))), "217")

    def test_connection_closed_after_authorising(self):
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "close"}])
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError, ssl.SSLError)):
            self.client().call("NFeAutorizacao4", s.envi([n]))
        cons = self.consult(s.key_of(n))
        self.assertEqual(s.cstat(cons), "100")
        self.assertEqual(prot(self.authorise(n), "cStat"), "204")
        self.assertEqual(self.srv.stats()["authorisations"][s.key_of(n)], 1)

    def test_connection_closed_before_processing(self):
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "close_before"}])
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError, ssl.SSLError)):
            self.client().call("NFeAutorizacao4", s.envi([n]))
        self.assertEqual(s.cstat(self.consult(s.key_of(n))), "217")
        self.assertNotIn(s.key_of(n), self.srv.stats()["submissions"])

    def test_client_time_out_after_the_authoriser_authorised(self):
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "delay", "seconds": 5}])
        with self.assertRaises((socket.timeout, TimeoutError)):
            self.client(timeout=1).call("NFeAutorizacao4", s.envi([n]))
        eventually(lambda: s.cstat(self.consult(s.key_of(n))) == "100", "authorisation behind the delay")
        self.assertEqual(prot(self.authorise(n), "cStat"), "204")

    def test_silent_server_processes_nothing(self):
        n = s.nfe(PKI, nnf=next(numbers))
        self.srv.control([{"service": "NFeAutorizacao4", "fault": "silent", "seconds": 3}])
        with self.assertRaises((socket.timeout, TimeoutError)):
            self.client(timeout=1).call("NFeAutorizacao4", s.envi([n]))
        self.assertEqual(s.cstat(self.consult(s.key_of(n))), "217")

    def test_receipt_still_in_processing(self):
        n = s.nfe(PKI, nnf=next(numbers))
        c = self.client()
        nrec = c.call("NFeAutorizacao4", s.envi([n], sync=False)).findtext("n:infRec/n:nRec", namespaces=NS)
        self.srv.control([{"service": "NFeRetAutorizacao4", "fault": "processing"}])
        self.assertEqual(s.cstat(c.call("NFeRetAutorizacao4", s.cons_reci(nrec))), "105")
        self.assertEqual(s.cstat(c.call("NFeRetAutorizacao4", s.cons_reci(nrec))), "104")


# -------------------------------------------------------------- lifecycle

class LifecycleTest(unittest.TestCase):
    def test_restart_keeps_what_was_authorised(self):
        state = os.path.join(TMP, "restart")
        srv = s.Server(PKI, state)
        try:
            with open(srv.port_file) as f:
                self.assertEqual(int(f.read()), srv.port)
            c = s.Client(srv, s.tls_context(PKI))
            n = s.nfe(PKI, nnf=1)
            nprot = prot(c.call("NFeAutorizacao4", s.envi([n])), "nProt")
            c.call("NFeInutilizacao4", s.inut(PKI, 10, 20))
            c.close()
        finally:
            self.assertEqual(srv.stop(), 0)
        srv = s.Server(PKI, state)
        try:
            c = s.Client(srv, s.tls_context(PKI))
            cons = c.call("NFeConsultaProtocolo4", s.cons_sit(s.key_of(n)))
            self.assertEqual((s.cstat(cons), prot(cons, "nProt")), ("100", nprot))
            self.assertEqual(prot(c.call("NFeAutorizacao4", s.envi([n])), "cStat"), "204")
            self.assertEqual(prot(c.call("NFeAutorizacao4", s.envi([s.nfe(PKI, nnf=15)])), "cStat"), "206")
            fresh = prot(c.call("NFeAutorizacao4", s.envi([s.nfe(PKI, nnf=2)])), "nProt")
            self.assertNotEqual(fresh, nprot)
            c.close()
        finally:
            self.assertEqual(srv.stop(), 0)

    def test_sigterm_stops_the_server_while_a_request_hangs(self):
        srv = s.Server(PKI, os.path.join(TMP, "sigterm"))
        srv.control([{"fault": "silent", "seconds": 600}])
        outcome = []

        def hang():
            c = s.Client(srv, s.tls_context(PKI), timeout=120)
            try:
                c.call("NFeStatusServico4", s.cons_stat())
                outcome.append("answered")
            except Exception as e:
                outcome.append(type(e).__name__)
            c.close()
        t = threading.Thread(target=hang)
        t.start()
        path = os.path.join(srv.state, "control.json")
        def fired():
            with open(path) as f:
                return json.load(f) == []
        eventually(fired, "the silent rule to fire")
        srv.proc.send_signal(signal.SIGTERM)
        self.assertEqual(srv.proc.wait(timeout=60), 0)
        t.join()
        srv.stop()
        self.assertNotEqual(outcome, ["answered"])


class ContingencyTest(ServerCase):
    @classmethod
    def setUpClass(cls):
        cls.server = s.Server(PKI, os.path.join(TMP, "svc"), "--svc", "AN", "--uf", "35,41")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def test_svc_accepts_only_its_type_of_emission_and_its_states(self):
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=next(numbers), tpemis=6)), "cStat"), "100")
        ret = self.authorise(s.nfe(PKI, nnf=next(numbers), tpemis=1))
        self.assertEqual((prot(ret, "cStat"), prot(ret, "xMotivo")),
                         ("713", "Rejeição: Tipo de Emissão diferente de 6 ou 7 para contingência da SVC acessada"))
        self.assertEqual(prot(self.authorise(s.nfe(PKI, nnf=next(numbers), tpemis=6, cuf="43")), "cStat"), "226")
        c = self.client()
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat("41"))), "107")
        self.assertEqual(s.cstat(c.call("NFeStatusServico4", s.cons_stat("43"))), "410")


if __name__ == "__main__":
    unittest.main()
