#include "demo/station.h"

#include <array>

namespace orla::demo {

namespace {

// A quote and accents in fuel names, as some stations name them; statements that carry a
// name between quotes must cope.
constexpr std::array<Fuel, 4> kFuels = {{
    {1, "GASOLINA COMUM", 5.89, 5.21},
    {2, "GASOLINA ADITIVADA D'OURO", 6.19, 5.44},
    {3, "ETANOL HIDRATADO", 3.99, 3.41},
    {4, "ÓLEO DIESEL S-10", 6.09, 5.52},
}};

constexpr std::array<Nozzle, 8> kNozzles = {{
    {"01", 0, 1.3},
    {"02", 0, 1.1},
    {"03", 1, 0.6},
    {"04", 2, 0.9},
    {"05", 2, 0.7},
    {"06", 3, 0.8},
    {"07", 3, 0.5},
    {"08", 0, 0.9},
}};

constexpr std::array<Named, 6> kGroups = {{
    {1, "COMBUSTÍVEIS"},
    {2, "LUBRIFICANTES"},
    {3, "CONVENIÊNCIA"},
    {4, "BEBIDAS"},
    {5, "SERVIÇOS DE TERCEIROS"},
    {6, "TABACARIA"},
}};

constexpr std::array<Named, 9> kSubgroups = {{
    {1, "COMBUSTÍVEIS", 1},
    {2, "ÓLEOS", 2},
    {3, "ADITIVOS", 2},
    {4, "ALIMENTOS", 3},
    {5, "UTILIDADES", 3},
    {6, "ÁGUAS E REFRIGERANTES", 4},
    {7, "CERVEJAS", 4},
    {8, "RECARGAS", 5},
    {9, "CIGARROS", 6},
}};

// Every tax situation, and TT at several rates.
constexpr std::array<ShopProduct, 18> kShopProducts = {{
    {101, "ÓLEO MOTOR 15W40 1L", 2, 2, "UN", 32.90, 21.40, "TT", 18.0, false, 0.8},
    {102, "ÓLEO MOTOR 5W30 SINTÉTICO 1L", 2, 2, "UN", 54.90, 37.10, "TT", 18.0, false, 0.4},
    {103, "ADITIVO RADIADOR 1L", 2, 3, "UN", 24.50, 14.20, "TT", 12.0, false, 0.3},
    {104, "FLUIDO DE FREIO 500ML", 2, 3, "UN", 21.90, 12.80, "FF", 0.0, false, 0.2},
    {201, "PÃO DE QUEIJO", 3, 4, "UN", 4.50, 1.60, "II", 0.0, false, 2.0},
    {202, "SALGADINHO 100G", 3, 4, "UN", 8.90, 4.70, "TT", 17.0, false, 1.2},
    {203, "CHOCOLATE 90G", 3, 4, "UN", 7.50, 3.90, "TT", 7.0, false, 1.1},
    {204, "CAFÉ EXPRESSO", 3, 4, "UN", 6.00, 1.10, "TT", 25.0, false, 1.5},
    {205, "GELO 5KG", 3, 5, "PC", 12.00, 5.00, "II", 0.0, false, 0.5},
    {206, "JORNAL DO DIA", 3, 5, "UN", 3.50, 2.80, "NN", 0.0, false, 0.4},
    {207, "CARVÃO 3KG", 3, 5, "PC", 19.90, 11.00, "TT", 12.0, false, 0.3},
    {301, "ÁGUA MINERAL 500ML", 4, 6, "UN", 3.50, 1.20, "TT", 17.0, false, 2.2},
    {302, "REFRIGERANTE LATA 350ML", 4, 6, "UN", 6.50, 3.10, "FF", 0.0, false, 2.0},
    {303, "CERVEJA LATA 350ML", 4, 7, "UN", 5.90, 3.20, "FF", 0.0, false, 1.6},
    {304, "ENERGÉTICO 250ML", 4, 6, "UN", 11.90, 6.40, "FF", 0.0, false, 0.7},
    {401, "RECARGA CELULAR", 5, 8, "UN", 20.00, 19.40, "NN", 0.0, true, 0.6},
    {402, "RECARGA TAG PEDÁGIO", 5, 8, "UN", 50.00, 49.00, "NN", 0.0, true, 0.2},
    {501, "CIGARRO MAÇO", 6, 9, "MC", 12.50, 9.80, "FF", 0.0, false, 0.9},
}};

constexpr std::array<Client, 16> kClients = {{
    {1, "TRANSPORTADORA RÁPIDO SUL LTDA", "ABC1D23", "JOSÉ CARLOS", true, -0.15},
    {2, "PREFEITURA MUNICIPAL", "PMX0A11", "ANTÔNIO PEREIRA", true, -0.08},
    {3, "COOPERATIVA AGRÍCOLA VALE VERDE", "CAV2B34", "MÁRCIO SOUZA", true, -0.10},
    {4, "LOCADORA BOA VIAGEM", "LBV3C45", "PATRÍCIA LIMA", true, 0.05},
    {5, "CONSTRUTORA PEDRA FORTE", "CPF4D56", "JOÃO BATISTA", true, 0.03},
    {6, "ÔNIBUS ESTRELA D'ALVA", "OED5E67", "SEBASTIÃO RAMOS", true, -0.12},
    {7, "MARIA DAS GRAÇAS OLIVEIRA", "MGO6F78", "MARIA DAS GRAÇAS", false, 0.0},
    {8, "AUTO ESCOLA CONFIANÇA", "AEC7G89", "RENATO ALVES", false, 0.0},
    {9, "PADARIA SÃO JORGE", "PSJ8H90", "JORGE MENDES", false, 0.0},
    {10, "TÁXI CENTRAL", "TXC9I01", "CLÁUDIO NUNES", false, 0.0},
    {11, "FARMÁCIA POPULAR", "FPO0J12", "LÚCIA FERREIRA", false, 0.0},
    {12, "ENTREGAS JÁ", "ENJ1K23", "FÁBIO COSTA", false, 0.0},
    {13, "HOSPITAL SANTA CASA", "HSC2L34", "BEATRIZ ROCHA", false, 0.0},
    {14, "AGROPECUÁRIA BOI GORDO", "ABG3M45", "VALDIR MARTINS", false, 0.0},
    {15, "ESCOLA MUNDO NOVO", "EMN4N56", "ELAINE DIAS", false, 0.0},
    {16, "MUDANÇAS IRMÃOS TEIXEIRA", "MIT5O67", "PAULO TEIXEIRA", false, 0.0},
}};

constexpr std::array<Employee, 9> kEmployees = {{
    {"1", "JOÃO DA SILVA", 1},
    {"2", "MARIA CONCEIÇÃO", 1},
    {"3", "JOSÉ ANTÔNIO", 1},
    {"4", "ANA LÚCIA", 2},
    {"5", "FRANCISCO ASSIS", 2},
    {"6", "LUÍS FERNANDO", 2},
    {"7", "RAIMUNDO NONATO", 3},
    {"8", "SÔNIA REGINA", 3},
    {"9", "CÉSAR AUGUSTO", 1},
}};

}  // namespace

std::span<const Fuel> Fuels() {
  return kFuels;
}
std::span<const Nozzle> Nozzles() {
  return kNozzles;
}
std::span<const ShopProduct> ShopProducts() {
  return kShopProducts;
}
std::span<const Client> Clients() {
  return kClients;
}
std::span<const Employee> Employees() {
  return kEmployees;
}
std::span<const Named> Groups() {
  return kGroups;
}
std::span<const Named> Subgroups() {
  return kSubgroups;
}

}  // namespace orla::demo
