#!/bin/sh
# Makes a certificate authority and server certificates for the TLS tests and benchmarks in folder $1:
#   ca.pem                      the authority (trust it with SSL_CERT_FILE=$1/ca.pem)
#   good.pem/.key               localhost and 127.0.0.1, signed by the authority, valid for 30 days
#   expired.pem/.key            localhost and 127.0.0.1, signed by the authority, expired in 2021
#   self.pem/.key               localhost and 127.0.0.1, signed by itself
#   other.pem/.key              other.example only, signed by the authority
set -eu
d="$1"
mkdir -p "$d/newcerts"
: > "$d/index.txt"
echo 1000 > "$d/serial"
cat > "$d/ca.cnf" <<CNF
[ req ]
distinguished_name = dn
prompt = no
[ dn ]
CN = Clipwave Test Authority
[ ca_ext ]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[ ca ]
default_ca = test_ca
[ test_ca ]
dir = $d
database = $d/index.txt
new_certs_dir = $d/newcerts
serial = $d/serial
default_md = sha256
policy = any_name
unique_subject = no
[ any_name ]
commonName = supplied
[ server_local ]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost,IP:127.0.0.1
[ server_other ]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:other.example
CNF
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$d/$1.key" 2>/dev/null; }
csr() { openssl req -new -config "$d/ca.cnf" -key "$d/$1.key" -subj "/CN=$2" -out "$d/$1.csr"; }
sign() {  # name extensions date-options...
  n="$1"; e="$2"; shift 2
  openssl ca -batch -notext -config "$d/ca.cnf" -cert "$d/ca.pem" -keyfile "$d/ca.key" -extensions "$e" \
    -in "$d/$n.csr" -out "$d/$n.pem" "$@" 2>/dev/null
}
key ca
openssl req -new -x509 -config "$d/ca.cnf" -extensions ca_ext -key "$d/ca.key" -days 30 -out "$d/ca.pem"
key good; csr good localhost; sign good server_local -days 30
key expired; csr expired localhost; sign expired server_local -startdate 20200101000000Z -enddate 20210101000000Z
key other; csr other other.example; sign other server_other -days 30
key self
openssl req -new -x509 -config "$d/ca.cnf" -extensions server_local -key "$d/self.key" -subj /CN=localhost \
  -days 30 -out "$d/self.pem"
