#include "demo/schema.h"

#include <array>
#include <string>

#include "sqlite/tsql_executor.h"

namespace orla::demo {

namespace {

// Column names and their accents are the ones the reports' statements use. No column name
// is repeated across tables a report joins, except where the reports always qualify it:
// the statements leave many columns unqualified.
constexpr std::string_view kDdl = R"sql(
CREATE TABLE [Grupos] (
  Código INT NOT NULL PRIMARY KEY,
  Descrição VARCHAR(60) NOT NULL)
CREATE TABLE [SubGrupos] (
  Código INT NOT NULL PRIMARY KEY,
  Descrição VARCHAR(60) NOT NULL,
  IDGrupo INT NOT NULL)
CREATE TABLE [Produtos] (
  Código INT NOT NULL PRIMARY KEY,
  Descrição VARCHAR(100) NOT NULL,
  Grupo INT NOT NULL,
  SubGrupo INT NOT NULL,
  Unidade VARCHAR(3) NOT NULL,
  PrecoVenda MONEY NOT NULL,
  PrecoCusto MONEY NOT NULL)
CREATE TABLE [Clientes] (
  Código INT NOT NULL PRIMARY KEY,
  Nome VARCHAR(100) NOT NULL,
  CPF_CNPJ VARCHAR(18) NULL,
  IsEspecial BIT NOT NULL DEFAULT 0)
CREATE TABLE [Funcionários] (
  Código VARCHAR(6) NOT NULL PRIMARY KEY,
  Nome VARCHAR(60) NOT NULL)
-- A till period: one cash register from opening to closing; Caixa is the shift.
CREATE TABLE [Movimentações] (
  Código INT NOT NULL PRIMARY KEY,
  Caixa VARCHAR(3) NOT NULL,
  Data_Abertura DATETIME NOT NULL,
  Hora_Abertura DATETIME NOT NULL,
  Data_Fechamento DATETIME NULL)
-- A sale line. Código_Venda groups the lines of one sale; for fuel, Código_Produto is the
-- nozzle.
CREATE TABLE [Movimentações em Vendas] (
  Código INT NOT NULL PRIMARY KEY,
  Código_Venda INT NOT NULL,
  IDCaixa INT NULL,
  Código_ECF INT NOT NULL,
  Número_Cupom_Fiscal INT NOT NULL,
  Data_ECF DATETIME NOT NULL,
  Hora_Movimento DATETIME NOT NULL,
  Tipo CHAR(1) NOT NULL,
  IDProduto VARCHAR(14) NOT NULL,
  Código_Produto VARCHAR(14) NOT NULL,
  Descrição VARCHAR(100) NOT NULL,
  Qtde FLOAT NOT NULL,
  Valor_Unitario MONEY NOT NULL,
  Valor_Custo MONEY NOT NULL,
  Valor_Venda MONEY NOT NULL,
  Valor_Desconto MONEY NOT NULL DEFAULT 0,
  Valor_Acrescimo MONEY NOT NULL DEFAULT 0,
  ValorUnitarioClienteEspecial MONEY NULL,
  IsClienteEspecial BIT NOT NULL DEFAULT 0,
  IDClienteEspecial INT NULL,
  Cliente VARCHAR(6) NULL,
  Placa VARCHAR(20) NULL,
  Funcionário VARCHAR(6) NULL,
  Automação BIT NOT NULL DEFAULT 0,
  Cupom_Complementar BIT NOT NULL DEFAULT 0,
  IsEstornado BIT NOT NULL DEFAULT 0,
  Transferência BIT NOT NULL DEFAULT 0,
  Terceiros BIT NOT NULL DEFAULT 0,
  ECF BIT NOT NULL DEFAULT 0,
  NFConsumidor_Modelo VARCHAR(2) NULL,
  NF BIT NOT NULL DEFAULT 0,
  Número_NF INT NULL,
  IsNFAvulsa BIT NOT NULL DEFAULT 0,
  IsNFTerceiro BIT NOT NULL DEFAULT 0,
  IsMovimentacaoFisicaDoEstoque BIT NOT NULL DEFAULT 1,
  S010_ID INT NULL,
  Situação_Tributária CHAR(2) NOT NULL,
  Alíquota FLOAT NOT NULL DEFAULT 0)
-- A nozzle's reading when its till period closed.
CREATE TABLE [L021_MC_Leituras] (
  L021_ID INT NOT NULL PRIMARY KEY,
  IDCaixa INT NOT NULL,
  L021_IDBico VARCHAR(3) NOT NULL,
  L021_Combustivel VARCHAR(100) NOT NULL,
  L021_EncerranteInicial FLOAT NOT NULL,
  L021_EncerranteFinal FLOAT NOT NULL,
  L021_VolumeVendido FLOAT NOT NULL,
  L021_VPL MONEY NOT NULL,
  L021_CM MONEY NOT NULL)
CREATE TABLE [S010_CFOP] (
  S010_ID INT NOT NULL PRIMARY KEY,
  S010_CFOP VARCHAR(5) NOT NULL,
  S010_Descricao VARCHAR(100) NOT NULL,
  S010_IsVenda BIT NOT NULL)
CREATE TABLE [Modelo - Notas Fiscais] (
  Código INT NOT NULL PRIMARY KEY,
  Modelo VARCHAR(6) NOT NULL,
  Descrição VARCHAR(60) NOT NULL)
CREATE TABLE [NotasFiscais_Movimentos] (
  Codigo INT NOT NULL PRIMARY KEY,
  Codigo_Modelo INT NOT NULL,
  Numero_Nota_Fiscal INT NOT NULL,
  Data_Emissao DATETIME NOT NULL)
CREATE TABLE [NotasFiscais_Itens] (
  Codigo INT NOT NULL PRIMARY KEY,
  Codigo_NF INT NOT NULL,
  Codigo_Venda INT NOT NULL,
  Codigo_Movimento INT NOT NULL,
  Qtde FLOAT NOT NULL,
  Valor MONEY NOT NULL)
-- Electronic-note requests; type 0 covers a sale note, which then counts no more as a sale.
CREATE TABLE [T008_Nfe_Solicitacoes] (
  T008_ID INT NOT NULL PRIMARY KEY,
  T008_IDNF INT NOT NULL,
  T008_Tipo INT NOT NULL,
  T008_DataHora DATETIME NOT NULL)
CREATE TABLE [T010_FormasDePagto] (
  T010_ID INT NOT NULL PRIMARY KEY,
  T010_Descricao VARCHAR(100) NOT NULL,
  IsCartaoCredito BIT NOT NULL DEFAULT 0,
  IsCartaoDebito BIT NOT NULL DEFAULT 0,
  IsFrota BIT NOT NULL DEFAULT 0,
  IsCarteiraDigital BIT NOT NULL DEFAULT 0,
  IsPix BIT NOT NULL DEFAULT 0)
-- The payment forms of a sale: each one's share in percent, what it received and the
-- change it gave back.
CREATE TABLE [T011_ImagemDosMeiosDePagtoUtilizados] (
  T011_ID INT NOT NULL PRIMARY KEY,
  IDVenda INT NOT NULL,
  IDECF INT NOT NULL,
  T010_ID INT NOT NULL,
  T011_FormaDePagto VARCHAR(100) NOT NULL,
  T011_Percentual FLOAT NOT NULL,
  T011_Valor MONEY NOT NULL,
  T011_Troco MONEY NOT NULL DEFAULT 0)
CREATE TABLE [T006_CupomNominalPorMovimento] (
  T006_ID INT NOT NULL PRIMARY KEY,
  IDVenda INT NOT NULL,
  T006_Motorista VARCHAR(50) NULL,
  T006_KM INT NULL,
  T006_Placa VARCHAR(20) NULL)
CREATE INDEX IX_MV_Data_ECF ON [Movimentações em Vendas] (Data_ECF)
CREATE INDEX IX_MV_IDCaixa ON [Movimentações em Vendas] (IDCaixa)
CREATE INDEX IX_MV_Codigo_Venda ON [Movimentações em Vendas] (Código_Venda)
CREATE INDEX IX_MV_IDProduto ON [Movimentações em Vendas] (IDProduto)
CREATE INDEX IX_MV_IDClienteEspecial ON [Movimentações em Vendas] (IDClienteEspecial)
CREATE INDEX IX_MOV_Data_Abertura ON [Movimentações] (Data_Abertura)
CREATE INDEX IX_L021_IDCaixa ON [L021_MC_Leituras] (IDCaixa)
CREATE INDEX IX_NFI_Codigo_Venda ON [NotasFiscais_Itens] (Codigo_Venda)
CREATE INDEX IX_NFI_Codigo_NF ON [NotasFiscais_Itens] (Codigo_NF)
CREATE INDEX IX_T008_DataHora ON [T008_Nfe_Solicitacoes] (T008_DataHora)
CREATE INDEX IX_T011_IDVenda ON [T011_ImagemDosMeiosDePagtoUtilizados] (IDVenda)
CREATE INDEX IX_T006_IDVenda ON [T006_CupomNominalPorMovimento] (IDVenda)
)sql";

struct PaymentForm {
  std::string_view name;
  bool credit, debit, fleet, wallet, pix;
};

// Indexed by T010_ID - 1.
constexpr std::array<PaymentForm, payment_form::kCount> kPaymentForms = {{
    {"Dinheiro", false, false, false, false, false},
    {"Cheque a Vista", false, false, false, false, false},
    {"Cheque a Prazo", false, false, false, false, false},
    {"Cartão Visa Crédito", true, false, false, false, false},
    {"Cartão Mastercard Crédito", true, false, false, false, false},
    {"Cartão Elo Débito", false, true, false, false, false},
    {"Cartão Maestro Débito", false, true, false, false, false},
    {"Cartão Frota Ticket Log", false, false, true, false, false},
    {"Carteira PicPay", false, false, false, true, false},
    {"PIX", false, false, false, false, true},
    {"Crédito em Haver", false, false, false, false, false},
    {"Requisição", false, false, false, false, false},
    {"Ticket Abastecimento", false, false, false, false, false},
    {"Vale Frete", false, false, false, false, false},
    {"Cartão Frota Crédito", true, false, true, false, false},
    {"Carteira Mercado Pago PIX", false, false, false, true, true},
}};

constexpr std::string_view kFixedRows = R"sql(
INSERT INTO [S010_CFOP] VALUES
  (1, '5102', 'Venda de mercadoria adquirida de terceiros', 1),
  (2, '5656', 'Venda de combustível adquirido de terceiros', 1),
  (3, '5929', 'Lançamento relativo a operação registrada em ECF', 0),
  (4, '5949', 'Outra saída de mercadoria não especificada', 0)
INSERT INTO [Modelo - Notas Fiscais] VALUES
  (1, '01', 'Nota Fiscal modelo 1'),
  (2, '55', 'Nota Fiscal Eletrônica'),
  (3, '59', 'Cupom Fiscal Eletrônico SAT'),
  (4, '65', 'Nota Fiscal de Consumidor Eletrônica'),
  (5, '02', 'Nota Fiscal de Venda a Consumidor')
)sql";

std::string Bit(bool flag) {
  return flag ? "1" : "0";
}

}  // namespace

std::string_view SchemaDdl() {
  return kDdl;
}

std::string_view PaymentFormName(int id) {
  return kPaymentForms.at(static_cast<std::size_t>(id - 1)).name;
}

void CreateSchema(sqlite::Connection& connection) {
  sqlite::Transaction transaction(connection);
  sqlite::RunBatch(connection, kDdl);
  sqlite::RunBatch(connection, kFixedRows);
  std::string forms =
      "INSERT INTO [T010_FormasDePagto] (T010_ID, T010_Descricao, "
      "IsCartaoCredito, IsCartaoDebito, IsFrota, IsCarteiraDigital, IsPix) "
      "VALUES ";
  for (std::size_t i = 0; i < kPaymentForms.size(); ++i) {
    const PaymentForm& form = kPaymentForms[i];
    forms += (i ? ", (" : "(") + std::to_string(i + 1) + ", '" + std::string(form.name) + "', " +
             Bit(form.credit) + ", " + Bit(form.debit) + ", " + Bit(form.fleet) + ", " +
             Bit(form.wallet) + ", " + Bit(form.pix) + ")";
  }
  sqlite::RunBatch(connection, forms);
  transaction.Commit();
}

void CreateEmptyDatabase(const std::filesystem::path& file) {
  std::filesystem::remove(file);
  sqlite::Connection connection(file, sqlite::Connection::Mode::Create);
  CreateSchema(connection);
}

}  // namespace orla::demo
